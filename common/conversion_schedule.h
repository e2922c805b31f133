// The order in which a run converts its work list (parents before the
// tables that refer to them), and the work list converted on several jobs
// at once, each a thread with its own source reading and destination
// session (--jobs).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_database.h"
#include "UDB/udb_destination.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_source_engine.h"
#include "common/conversion_job.h"
#include "common/tarvel_convertor.h"

// The work list's entries (source name, query text; empty for a table).
using work_order = std::vector<const std::pair<const std::wstring, std::wstring>*>;

// The work list in the order of conversion: by name, except that a table
// comes after the tables it refers to, so that in merge and synchronize a
// child row whose parent row is new in the same run finds it. Tables in a
// cycle of references keep their name order among themselves.
work_order conversion_order(const udb_converter::query_map& work,
                            const udb_relationships& relationships);

// What one job does with the entries it is given: converts one, then hands
// over what the entry left as a step that the run's thread takes later, in
// the work list's order.
class job_worker {
 public:
  virtual ~job_worker() = default;
  virtual void convert_entry(const std::wstring& name, const std::wstring& query_text) = 0;
  virtual std::function<void()> take_entry_result() = 0;
};

// A job's worker over its view of the converter, its reports, its source
// database and its destination session.
using job_worker_factory = std::function<std::unique_ptr<job_worker>(
    run_view&, job_reports&, udb_database&, udb_destination&, job_board&)>;

// The work list on several jobs: an entry starts once the entries it refers
// to are done (their rows committed), in the order's order otherwise. While
// the jobs work, the calling thread publishes their progress together. A
// stop request or an aborting error starts no further entry; the jobs stop
// between records. Afterwards what the entries left is taken over in the
// order's order, and an error that ended the run is reported from the
// calling thread. Answers the number of entries dealt with: 0 when fewer
// than two jobs had a session (the list is then converted one entry after
// the other by the caller).
size_t convert_on_jobs(tarvel_convertor& conv, udb_source_engine& engine,
                       udb_destination& destination, const work_order& order,
                       const udb_relationships& relationships,
                       const job_worker_factory& make_worker);
