// Shared by the SQLite functions of translated Access SQL: reading arguments
// in their representation (sql_types.h), writing results, the engine's
// case folding, the texts of numbers and dates as the engine writes them,
// and the entries each function family hands to the registry.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

#include "OLE/automation/oleauto.h"
#include "access/dao/sql/sql_decimal.h"

namespace sql_fn {

inline constexpr char kMismatch[] = "jet:3464:Data type mismatch in criteria expression.";
inline constexpr char kOverflow[] = "jet:3071:Overflow.";
inline constexpr char kInvalidCall[] = "jet:3071:Invalid procedure call.";

using scalar_fn = void (*)(sqlite3_context*, int, sqlite3_value**);

struct function_entry {
  const char* name;
  int args;
  scalar_fn fn;
  bool deterministic;
};

struct aggregate_entry {
  const char* name;
  int args;
  scalar_fn step;
  void (*final)(sqlite3_context*);
};

template <class T>
struct table {
  const T* begin_;
  const T* end_;
  const T* begin() const { return begin_; }
  const T* end() const { return end_; }
};

// The families, each in its own file.
table<function_entry> text_functions();
table<function_entry> number_functions();
table<function_entry> date_functions();
table<function_entry> format_functions();
table<function_entry> conversion_functions();
table<aggregate_entry> aggregate_functions();

// ---- text
char32_t fold(char32_t c);
char32_t unfold(char32_t c);
// The ACC collation of text (UTF-8): character by character after case
// folding; an ill-formed sequence compares as one U+FFFD.
int collate_acc(void*, int na, const void* a, int nb, const void* b);
int collate_dec(void*, int na, const void* a, int nb, const void* b);
std::u16string text16(sqlite3_value* v);
std::string text8(sqlite3_value* v);
void result16(sqlite3_context* ctx, const std::u16string& s);
void result8(sqlite3_context* ctx, const std::string& s);
bool any_null(int argc, sqlite3_value** argv);

// ---- numbers and their texts
double round_even(double x);
std::string double_text(double d, bool single);
std::string cy_text(int64_t cy);
std::string date_text(double d);
bool parse_double(const std::string& s, double& out);

// One value decoded from its representation.
struct number {
  enum { null, integer, real, currency, decimal, text, blob } kind = null;
  int64_t i = 0;
  double r = 0;
  sql_decimal d;
  std::string s;
};

number decode(sqlite3_value* v, int16_t type);
// The numeric value of a text, or false.
bool text_number(const std::string& s, number& out);
bool text_date(const std::string& s, double& out);
double as_double(const number& n);
std::optional<sql_decimal> dec_arg(sqlite3_value* v);
// Year, month, ... of a DATE serial; false outside 100-01-01 .. 9999-12-31.
bool split_date(double d, SYSTEMTIME& st);
// The day of the year (1..366) and the week of the year (first day of week
// 1 Sunday .. 7, first week 1 holds Jan 1, 2 has four days, 3 is full) of a
// serial inside the date range.
int day_of_year(double serial);
int week_of_year(double serial, int first, int rule);

}  // namespace sql_fn
