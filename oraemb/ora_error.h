// Oracle errors inside the engine: an exception carrying the ORA number and
// the finished message text, raised anywhere below the OCI edge and turned
// into an error-handle record there. The message catalogue lives in
// ora_error.cpp (19c wording, with the older wording of a few messages);
// nothing here knows about OCI.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>

namespace oraemb {

class ora_error : public std::exception {
 public:
  ora_error(int code, std::string text, bool warning = false)
      : code_(code), text_(std::move(text)), warning_(warning) {}
  int code() const { return code_; }
  // The message without the "ORA-NNNNN: " prefix.
  const std::string& text() const { return text_; }
  bool warning() const { return warning_; }
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  int code_;
  std::string text_;
  bool warning_;
};

// Selects, for the current thread, the release whose wording the messages
// take (a profile version such as 102 or 190; see profile.h).
class MessageVersionScope {
 public:
  explicit MessageVersionScope(int version);
  ~MessageVersionScope();
  MessageVersionScope(const MessageVersionScope&) = delete;
  MessageVersionScope& operator=(const MessageVersionScope&) = delete;

 private:
  int saved_;
};

// The catalogue text of an error with each "%s" replaced by the next argument.
std::string ora_message(int code, std::initializer_list<std::string> args = {});

// Throws ora_error(code) with the catalogue text.
[[noreturn]] void raise(int code, std::initializer_list<std::string> args = {});

// Throws ORA-03001 naming the construct refused ("...: DESC in an index").
[[noreturn]] void raise_unimplemented(const std::string& construct);

// The text Oracle shows for a name inside messages: "NAME" in double quotes.
std::string dq(const std::string& name);

}  // namespace oraemb
