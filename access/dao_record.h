// dao_record: the current row of a DAO recordset, one dao_field per field of
// its Fields collection, in collection order. Owned by the dao_recordset that
// handed it out and replaced at the next get_item.
#pragma once

#include <cstdint>
#include <vector>

#include "UDB/udb_record.h"
#include "access/dao/dao.h"
#include "access/ole_com_ptr.h"

class dao_record : public udb_record {
 public:
  // skip: positions of fields that are no columns of the schema (types the
  // reader cannot read), ascending.
  explicit dao_record(ole_com_ptr<DAOFields> fields, const std::vector<int32_t>& skip = {});

 private:
  ole_com_ptr<DAOFields> fields_;
};
