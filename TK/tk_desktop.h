// Two desktop services that the toolkit offers but cannot perform itself:
// putting text on the clipboard and handing a problem report to the user's
// mail client or issue tracker. A desktop front end registers the handlers
// once at start-up; until it does (and always in the console program) both
// operations trace and do nothing. Registration and calls may happen on
// different threads; a handler runs on the caller's thread.
#pragma once

#include <functional>
#include <string>

// The program ships without a support address of its own: a problem report
// opens in the user's mail client with no recipient, and the user sends it to
// whoever supports the installation. Texts that ask for a report name that
// person as TK_SUPPORT_CONTACT.
inline constexpr char TK_SUPPORT_ADDRESS[] = "";
inline constexpr char TK_SUPPORT_CONTACT[] = "your system administrator";

struct tk_bug_report {
  std::string address;    // TK_SUPPORT_ADDRESS (none: the user picks the recipient)
  std::string subject;    // "Bug report on " + the caller's subject
  std::string note;       // the caller's body text
  std::string date_time;  // local time as "year/month/day hour:minute"
};

// Answers 0 on success, otherwise the platform's error code.
using tk_clipboard_handler = std::function<int(const std::wstring& text)>;
// Answers the mail client's result code (0 on success).
using tk_mail_handler = std::function<int(const tk_bug_report& report)>;

// An empty function removes the handler.
void tk_set_clipboard_handler(tk_clipboard_handler handler);
void tk_set_mail_handler(tk_mail_handler handler);

// Puts the text on the clipboard as Unicode text.
void tk_copy_to_clipboard2(const std::wstring& text);
// Hands a report to the mail handler, with the current directory kept around
// the call (tk_cur_dir_keeper).
void tk_send_bug(const std::string& subject, const std::string& body);
