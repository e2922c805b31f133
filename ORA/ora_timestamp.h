// ora_timestamp: the reader of TIMESTAMP columns (the type the converter
// creates for Access Date/Time Extended, TIMESTAMP(7)). The value is defined
// as SQLT_TIMESTAMP into a timestamp descriptor and read to the nanosecond;
// it becomes a VT_FILETIME value (100 ns, OLE/ole_timestamp.h), so a
// fraction below 100 ns is cut. The descriptor belongs to the reader.
#pragma once

#include "ORA/ora_type.h"

class ora_timestamp : public ora_type {
 public:
  explicit ora_timestamp(OCIParam* param);
  ~ora_timestamp() override;
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

 private:
  OCIDateTime* value_ = nullptr;
};
