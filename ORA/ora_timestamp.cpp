// ora_timestamp: TIMESTAMP columns read to the nanosecond (see the header).
#include "ORA/ora_timestamp.h"

#include <optional>

#include "OLE/ole_timestamp.h"
#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_trace.h"

ora_timestamp::ora_timestamp(OCIParam* param) : ora_type(param) {
  void* descriptor = nullptr;
  check_oci_status(oci_api().OCIDescriptorAlloc(ora_engine::instance().env(), &descriptor,
                                                OCI_DTYPE_TIMESTAMP, 0, nullptr),
                   "OCIDescriptorAlloc");
  value_ = static_cast<OCIDateTime*>(descriptor);
}

ora_timestamp::~ora_timestamp() {
  if (value_ != nullptr) oci_api().OCIDescriptorFree(value_, OCI_DTYPE_TIMESTAMP);
}

void ora_timestamp::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_timestamp::define(%d)", position);
  define_ = stmt.define(position, &value_, static_cast<sb4>(sizeof value_), SQLT_TIMESTAMP,
                        &indicator_, &returned_length_);
}

ole_variant ora_timestamp::to_variant() {
  const ora_engine& engine = ora_engine::instance();
  const oci_functions& oci = oci_api();
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 nanos = 0;
  check_oci_status(oci.OCIDateTimeGetDate(engine.env(), engine.err(), value_, &year, &month, &day),
                   "OCIDateTimeGetDate");
  check_oci_status(
      oci.OCIDateTimeGetTime(engine.env(), engine.err(), value_, &hour, &minute, &second, &nanos),
      "OCIDateTimeGetTime");
  ole_timestamp_parts parts;
  parts.year = year;
  parts.month = month;
  parts.day = day;
  parts.hour = hour;
  parts.minute = minute;
  parts.second = second;
  parts.ticks = static_cast<int>(nanos / 100);
  const std::optional<int64_t> value = ole_timestamp_join(parts);
  tk_trace(1, "ora_timestamp::to_variant: %04d-%02d-%02d %02d:%02d:%02d.%09d", int(year),
           int(month), int(day), int(hour), int(minute), int(second), int(nanos));
  if (!value) return ole_variant();  // a year the value type cannot hold (BC)
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_FILETIME;
  v.llVal = *value;
  return ole_variant(v);
}
