// A generic scanner of command-line options: each argument is matched by
// plain, case-sensitive prefix against an ordered option table, so the first
// entry whose name starts the argument wins. Unrecognised arguments are kept
// (at most 20; a 21st is an internal assertion failure).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct tk_cmdli_option {
  int32_t id;
  const char* name;  // with "--" and, for options with a value, the "="
};

class tk_cmdli {
 public:
  static constexpr size_t kMaxUnrecognised = 20;

  // `table` ends with the terminator {0, ""}.
  tk_cmdli(const tk_cmdli_option* table, int argc, char** argv);
  virtual ~tk_cmdli() = default;

  // Classifies the next argument; call while has_more().
  virtual void next();
  virtual bool has_more() const { return left_ > 0; }

  int32_t id() const { return id_; }
  const char* value() const { return value_; }
  const char* argument() const { return current_; }
  const std::vector<std::string>& unrecognised() const { return unrecognised_; }

 private:
  const tk_cmdli_option* table_;
  char** args_;
  const char* current_ = nullptr;
  int left_;
  int32_t id_ = -1;
  const char* value_ = nullptr;
  std::vector<std::string> unrecognised_;
};
