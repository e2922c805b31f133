// dao_record: the current row of a DAO recordset, one dao_field per field of
// its Fields collection that is a column, in collection order. Owned by the dao_recordset that
// handed it out and replaced at the next get_item.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "UDB/udb_record.h"
#include "access/dao_field.h"

class dao_record : public udb_record {
 public:
  // One field per column description (dao_field::of_current_row).
  explicit dao_record(const std::vector<std::unique_ptr<dao_field>>& columns);
};
