// What a job's session hands back to the run's session when its tables are
// written.
#include "UDB/udb_destination.h"

void udb_destination::adopt_job_work(const udb_destination& job) {
  for (const std::wstring& table : job.tables_)
    if (find_table(table) < 0) tables_.push_back(table);
  for (const auto& [source, destination] : job.names_map_.tables())
    names_map_.add_tn_mapping(source, destination);
  for (const auto& [table, columns] : job.names_map_.columns())
    names_map_.add_fn_map(table, columns);
}
