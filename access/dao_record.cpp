// dao_record: reading the fields of the current row.
#include "access/dao_record.h"

dao_record::dao_record(const std::vector<std::unique_ptr<dao_field>>& columns) {
  reserve(columns.size());
  for (const auto& column : columns) add(dao_field::of_current_row(*column));
}
