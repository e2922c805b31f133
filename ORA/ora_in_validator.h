// ora_in_validator: the index- and constraint-name validator of one run, a
// process-wide single instance. At construction it reads the names of every
// primary-key constraint and every index of the schema, so that no name the
// run hands out collides with one that Oracle already holds; during the run
// every handed-out name joins its restricted list. Needs a connected session
// (ora_engine); single-threaded.
#pragma once

#include "ORA/ora_validator.h"
#include "TK/tk_singl.h"
#include "UDB/udb_indexes.h"

class ora_in_validator : public ora_validator, public tk_singl<ora_in_validator> {
 public:
  // Reads the schema's key and index names (ora_exception on an Oracle
  // error); a second instance is an internal assertion failure. Names have
  // at most `max_bytes` bytes (the connected server's limit).
  explicit ora_in_validator(size_t max_bytes = kMaxNameBytes);

  // The source index names of the table being built count as taken.
  void load(const udb_indexes& source_indexes);

  using tk_singl<ora_in_validator>::instance;
};
