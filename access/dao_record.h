// dao_record: the current row of a DAO recordset, one dao_field per field of
// its Fields collection, in collection order. Owned by the dao_recordset that
// handed it out and replaced at the next get_item.
#pragma once

#include "UDB/udb_record.h"
#include "access/dao/dao.h"
#include "access/ole_com_ptr.h"

class dao_record : public udb_record {
 public:
  explicit dao_record(ole_com_ptr<DAOFields> fields);

 private:
  ole_com_ptr<DAOFields> fields_;
};
