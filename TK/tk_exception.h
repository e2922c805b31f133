// The exception family every layer throws: a message, a code and a level.
// Level 0 concerns one record or one table and the run goes on, level 1 ends
// the run, level 2 is an internal error (a broken invariant). Thrown by value,
// caught by reference. Nothing here writes to the console.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

enum tk_level : int32_t { TK_LEVEL_RECORD = 0, TK_LEVEL_RUN = 1, TK_LEVEL_INTERNAL = 2 };

class tk_exception : public std::exception {
 public:
  explicit tk_exception(int32_t level);
  tk_exception(const std::string& message, int32_t level);
  tk_exception(const char* message, int32_t level);
  // The wide message is stored in the narrow code page (UTF-8).
  tk_exception(const std::wstring& message, int32_t level);
  tk_exception(const std::string& message, int32_t code, int32_t level);

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  int32_t code() const { return code_; }
  int32_t level() const { return level_; }

 protected:
  void set_message(const std::string& message);
  void set_code(int32_t code) { code_ = code; }

 private:
  std::string message_;
  int32_t code_ = 0;
  int32_t level_ = TK_LEVEL_RUN;
};

// The system error of the calling thread (errno): its text and number, level 1.
class tk_exception_ex : public tk_exception {
 public:
  tk_exception_ex();
  explicit tk_exception_ex(int error_number);
};

// An internal assertion failure, level 2. The user sees only the encoded
// source location: "Internal error: \ncode=" + hex of "<file>\<line>".
class tk_mail_assertion : public tk_exception {
 public:
  tk_mail_assertion(const char* source_file, int line);
  static std::string encode_location(const char* source_file, int line);
};

// Ends a run quietly (the user chose Abort, or a fatal error was reported).
class tk_final_exception : public std::exception {
 public:
  tk_final_exception();
  const char* what() const noexcept override { return "tk_final_exception"; }
};

// Every consistency check of the system goes through this macro.
#define TK_ASSERT(cond)                                       \
  do {                                                        \
    if (!(cond)) throw tk_mail_assertion(__FILE__, __LINE__); \
  } while (0)
#define TK_FAIL() throw tk_mail_assertion(__FILE__, __LINE__)
