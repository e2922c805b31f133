// The SQLite functions, aggregates and collations that translated Access SQL
// calls (acc_*): conversions between representations with the engine's
// rounding, Like patterns, exact currency and decimal arithmetic, date
// parts, Format, and case-insensitive text order (ACC, ACCDEC). Failures are
// reported as SQLite errors "jet:<number>:<text>", which the row source turns
// back into DAO errors.
#pragma once

#include <cstddef>

struct sqlite3;

// Registers everything on db; false when SQLite refuses a registration.
bool sql_register_functions(sqlite3* db);

// Access Like over UTF-16 text: * ? # [a-z] [!x], case-insensitive.
bool sql_like(const char16_t* text, size_t text_len, const char16_t* pattern, size_t pattern_len);
