// udb_append_sink: where a destination that writes appended records in
// batches hands back the records it could not write. The driver implements
// it (its per-record error routing); a record's failure arrives with the
// number the driver gave the record and with the record's values, possibly
// after later records were appended. Used by the run's thread only.
#pragma once

#include <cstdint>

#include "TK/tk_exception.h"
#include "UDB/udb_record.h"

class udb_append_sink {
 public:
  virtual ~udb_append_sink() = default;
  // Record `number` could not be written because of `error`. False when the
  // error is not the record's (the writer rethrows it, ending the table).
  virtual bool append_failed(uint32_t number, const tk_exception& error,
                             const udb_record& record) = 0;
  // The update of record `number` (udb_recordset::update_batched) failed.
  // False when the error is not the record's.
  virtual bool update_failed(uint32_t number, const tk_exception& error) {
    (void)number;
    (void)error;
    return false;
  }
};
