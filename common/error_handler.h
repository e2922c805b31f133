// The one place every failure of a conversion reaches. The handler decides,
// by the exception's level, whether the run goes on, and builds the message
// (context, friendly text for known codes). How a message reaches the user is
// the front end's: the console for the agent, dialogs for the wizard, through
// the error_reporter seam. Single instance; used by the run's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_singl.h"
#include "common/error_messages.h"

// Code-to-message map; an insert never replaces a code already present.
class tk_error_converter {
 public:
  tk_error_converter(size_t size, const error_message_entry* table);
  void load_map(size_t size, const error_message_entry* table);
  // The message for the code, or empty.
  std::string convert(int32_t code) const;
  size_t size() const { return map_.size(); }

 private:
  std::map<int32_t, std::string> map_;
};

// How messages reach the user. The handler calls these only for what it has
// decided to show.
class error_reporter {
 public:
  enum class answer { go_on, go_on_silently, abort };
  virtual ~error_reporter() = default;
  // Level 2: show the text (the handler ends the process afterwards).
  virtual void show_internal_error(const std::string& text) = 0;
  // Every level-0/1 message, for a front end that lists them.
  virtual void remember(const std::string& /*message*/) {}
  // Level 0, not silent: show and ask whether to go on.
  virtual answer ask_continue(const std::string& message) = 0;
  // Level 1, not silent.
  virtual void show_run_error(const std::string& message) = 0;
  // A warning that stops nothing (a password about to expire), not silent.
  // By default it joins the listed messages.
  virtual void show_warning(const std::string& message) { remember(message); }
  // True when a level-1 error ends the program (the agent), false when it
  // ends only the run (the wizard).
  virtual bool run_error_ends_process() const = 0;
  [[noreturn]] virtual void end_process(int code);
};

// The agent's reporter: "Error:" lines and "Internal error: " on standard
// output, each line flushed.
class console_error_reporter : public error_reporter {
 public:
  void show_internal_error(const std::string& text) override;
  answer ask_continue(const std::string& message) override;
  void show_run_error(const std::string& message) override;
  // "Warning: " and the message on one line.
  void show_warning(const std::string& message) override;
  bool run_error_ends_process() const override { return true; }
};

class error_handler : public tk_singl<error_handler> {
 public:
  error_handler(
      size_t size, const error_message_entry* table,
      std::unique_ptr<error_reporter> reporter = std::make_unique<console_error_reporter>());
  ~error_handler();

  void load_err_map(size_t size, const error_message_entry* table);

  void set_context(const std::wstring& table_name);
  void set_context(const std::wstring& table_name, int32_t record_number);
  void clear_context() { context_.clear(); }
  const std::string& context() const { return context_; }

  void set_silent(bool silent) { silent_ = silent; }
  bool is_silent() const { return silent_; }

  // Reports the exception and decides: level 0 returns (or throws
  // tk_final_exception when the user aborts inside a table); level 1 ends the
  // process (agent) or the run; level 2 ends the process.
  void handle(const tk_exception& e, bool run_level);

  // Reports a warning (unless silent); the run goes on.
  void warn(const std::string& message);

  // The message that handle() would show for this exception.
  std::string build_message(const tk_exception& e) const;

  const tk_error_converter& converter() const { return converter_; }
  error_reporter& reporter() { return *reporter_; }

 private:
  std::string context_;
  bool silent_ = false;
  tk_error_converter converter_;
  std::unique_ptr<error_reporter> reporter_;
};
