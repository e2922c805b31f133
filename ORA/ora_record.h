// ora_record: one fetched row of an Oracle result set as a neutral record,
// one field per column in select-list order; a NULL column gives a field with
// an empty value. Built from the readers right after a fetch; it owns its
// fields and holds no reference to the readers afterwards.
#pragma once

#include <memory>
#include <vector>

#include "ORA/ora_type.h"
#include "UDB/udb_record.h"

class ora_record : public udb_record {
 public:
  explicit ora_record(const std::vector<std::unique_ptr<ora_type>>& readers);
};
