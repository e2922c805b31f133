// Built-in functions beyond the families of eval.cpp: dates (TO_CHAR with
// the full format model, TRUNC / ROUND to a unit, ADD_MONTHS, MONTHS_BETWEEN,
// LAST_DAY, EXTRACT), text (LPAD, RPAD, TRANSLATE, INITCAP, INSTR with a
// position and an occurrence, the TRIM family, letter case beyond ASCII)
// and numbers (POWER, SQRT, SIGN, FLOOR, CEIL, REMAINDER, GREATEST, LEAST,
// number format models). Free functions on values; no session state.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "oraemb/value.h"

namespace oraemb {

// The function `f` of evaluated, non-NULL arguments; nullopt for a name
// handled elsewhere. Raises the ORA error of a bad argument.
std::optional<Value> date_function(const std::string& f, const std::vector<Value>& args);
std::optional<Value> text_builtin(const std::string& f, const std::vector<Value>& args);
std::optional<Value> number_builtin(const std::string& f, const std::vector<Value>& args);

// TO_CHAR(date, mask) with the whole format model (FM, names in the case of
// the mask, D, DDD, Q, WW, IW, J, CC, RM, SSSSS, TH, ...).
std::string format_date(const OraDate& d, const std::string& mask);
// TRUNC and ROUND of a date to the unit a format model names ('DD' when
// none): ORA-01898 for a model that names no unit.
OraDate trunc_date(const OraDate& d, const std::string& unit);
OraDate round_date(const OraDate& d, const std::string& unit);
// TO_CHAR(number, mask) and TO_NUMBER(text, mask) for the common elements
// (9 0 . , D G $ S MI PR FM X EEEE); '#'s when the number does not fit.
std::string format_number(const OraNumber& n, const std::string& mask);
OraNumber parse_number(const std::string& text, const std::string& mask);

// Letter case of Latin, Greek and Cyrillic letters (UPPER, LOWER, INITCAP).
std::u16string to_upper(std::u16string s);
std::u16string to_lower(std::u16string s);

}  // namespace oraemb
