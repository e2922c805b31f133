// How a call of an Access function in an expression becomes SQLite text over
// the acc_* functions: the functions the engine knows, their argument
// counts, the representation each argument is passed in and the DAO type of
// the result. The translator binds the arguments; this writes the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct sql_function_spec {
  const char* name;  // upper case, as the engine spells it
  int min_args;
  int max_args;
};

// The scalar function of that name (case-insensitive, ASCII), or null: the
// engine then reports "Undefined function". Aggregates are not listed here.
const sql_function_spec* sql_find_function(const std::string& name);

// The bound arguments of one call, as the translator sees them.
class sql_call_args {
 public:
  virtual ~sql_call_args() = default;
  virtual size_t size() const = 0;
  virtual int16_t type(size_t i) const = 0;
  // Argument i in its own representation / as an SQLite truth value / in
  // the representation of DAO type `to`.
  virtual std::string raw(size_t i) const = 0;
  virtual std::string truth(size_t i) const = 0;
  virtual std::string as(size_t i, int16_t to) const = 0;
  // The type two branches share (IIf, Switch, Choose).
  virtual int16_t unify(int16_t a, int16_t b) const = 0;
  // The call as written, for the engine's error texts.
  virtual std::string source() const = 0;
};

struct sql_call_result {
  std::string sql;
  int16_t type = 0;
  bool logical = false;  // sql is an SQLite truth value
};

// The call of `entry` with the arguments (their count already checked).
// Throws jet_failure (type mismatch, wrong argument count).
sql_call_result sql_translate_function(const sql_function_spec& entry, const sql_call_args& args);
