// The session's side of sequences: NEXTVAL takes the next number from the
// catalogue (ora$seq.last_number, inside the session's write transaction)
// and CURRVAL gives back the number this session last took.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>

#include "oraemb/catalog.h"
#include "oraemb/ora_number.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {

class SequenceValues {
 public:
  // NEXTVAL of sequence `obj` (`info`, called `name`); the write transaction
  // is open. ORA-08004 past the end of a sequence that does not cycle.
  OraNumber next(sqlite3* conn, StatementCache& statements, int64_t obj, const SequenceInfo& info,
                 const std::string& name);
  // CURRVAL; ORA-08002 before this session's first NEXTVAL of it.
  OraNumber current(const std::string& name) const;

 private:
  std::map<std::string, OraNumber> currval_;
};

}  // namespace oraemb
