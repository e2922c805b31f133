// Input bind buffers as the engine reads them: one element of a bind (the
// whole bind, or row i of an array bind laid out with its skips) in its
// external OCI type, turned into an engine value. Character data is in the
// environment's character set unless the bind's OCI_ATTR_CHARSET_ID says
// otherwise; lengths come from the length array, a length prefix, a NUL
// terminator or value_sz, as the type demands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "oraemb/oci_handles.h"
#include "oraemb/value.h"

namespace oraemb {

// Element `row` of the bind. Raises ORA-01460 for a type the engine cannot
// convert, ORA-01480 for a SQLT_STR value without its terminator, ORA-01426
// for an infinite or NaN float, and the ORA-018xx date errors for a DATE
// whose fields are out of range.
Value bind_element(const BindH& bind, ub4 row, const EnvH& env);

// Oracle's internal NUMBER bytes (SQLT_NUM; SQLT_VNU after its length
// byte); nullopt when the bytes are not a valid NUMBER.
std::optional<OraNumber> number_from_oracle_bytes(const unsigned char* bytes, size_t size);

// The placeholder names of a statement in the order of the text, one per
// occurrence (upper case, without the colon), as OCIBindByPos counts them.
std::vector<std::string> placeholder_names(const std::string& sql);

// A server wants the binds of long data (LONG and long raw types, or more
// than 4000 bytes) after all the others in an INSERT or UPDATE: a bind that
// may carry more than 4000 bytes once converted, placed after such a bind,
// raises ORA-24816. `binds` are in the order of the text's placeholders
// (null where a placeholder has no bind).
void check_long_bind_order(const std::vector<const BindH*>& binds, const EnvH& env,
                           int database_char_bytes, int nchar_char_bytes);

}  // namespace oraemb
