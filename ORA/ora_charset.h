// Character-set rules of the Oracle layer. A value reaches a column either
// through the database character set (statement text, and binds, literals
// and LOB writes of the implicit form) or through the national character set
// (the SQLCS_NCHAR form): on a database whose character set cannot hold a
// character (WE8MSWIN1252 and Greek, say), only the national path keeps it.
// So every bind, literal and LOB write of an NCHAR, NVARCHAR2 or NCLOB column
// uses the national form, which the describe reports (OCI_ATTR_CHARSET_FORM).
// Pure functions apart from the checked OCI call.
#pragma once

#include <string>

#include "oci/oci_types.h"

class ora_type;

// True for NCHAR, NVARCHAR2 and NCLOB columns.
bool is_ora_national(const ora_type& column);

// Sets OCI_ATTR_CHARSET_FORM on a bind of a national column (checked); an
// implicit form needs no call. Set it before OCI_ATTR_MAXDATA_SIZE.
void ora_set_bind_charset_form(OCIBind* bind, ub1 form);
// The same for a define: a national column defined in the implicit form
// would come through the database character set.
void ora_set_define_charset_form(OCIDefine* define, ub1 form);

// A quoted text literal ('...' with its quotes doubled) made safe for a
// national column: unchanged when it is all ASCII (every database character
// set holds ASCII), otherwise UNISTR('...') pieces joined by || in which
// every character beyond ASCII and every backslash is a \XXXX escape, so
// the statement text stays ASCII and the value reaches the column through
// the national character set intact. (N'...' does not: the server converts
// the statement text, and its N'...' literals, to the database character
// set first.) Each piece stays below Oracle's 4000-byte literal limit.
// Texts that are not quoted literals are returned unchanged.
std::wstring ora_national_literal(const std::wstring& literal);
