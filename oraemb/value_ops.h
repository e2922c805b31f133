// Oracle's implicit conversions between values: NUMBER and DATE to text,
// text to NUMBER (ORA-01722), RAW <-> hexadecimal text (ORA-01465), and the
// comparison rules of conditions. Free functions on plain values.
#pragma once

#include <string>
#include <vector>

#include "oraemb/value.h"

namespace oraemb {

std::string to_hex(const std::string& bytes);
// HEXTORAW: odd lengths are padded with a leading 0; ORA-01465 on bad digits.
std::string from_hex(const std::string& text);
// The text a value converts to (TM9 numbers, DD-MON-RR dates, RAW as hex).
std::string value_text(const Value& v);
OraNumber value_number(const Value& v);
OraDate value_date(const Value& v);
// Oracle comparison with implicit conversion; both values non-NULL.
int compare_values(const Value& a, const Value& b);
// Keys under which equal values (and rows of equal values) meet in a hash:
// the kind, then the number's text, the date's stored form or the bytes.
std::string value_key(const Value& v);
std::string row_key(const std::vector<Value>& row);
// Name of a kind as ORA-00932 prints it.
std::string kind_name(Kind kind);

}  // namespace oraemb
