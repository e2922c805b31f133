// The desktop seam: the handlers live behind one mutex; each call copies the
// handler out and runs it unlocked, so a handler that blocks (a modal mail
// window) does not hold up registration.
#include "TK/tk_desktop.h"

#include <ctime>
#include <exception>
#include <mutex>

#include "TK/tk_cur_dir.h"
#include "TK/tk_format.h"
#include "TK/tk_trace.h"

namespace {
std::mutex& handler_mutex() {
  static std::mutex m;
  return m;
}
tk_clipboard_handler& clipboard_handler() {
  static tk_clipboard_handler h;
  return h;
}
tk_mail_handler& mail_handler() {
  static tk_mail_handler h;
  return h;
}
}  // namespace

void tk_set_clipboard_handler(tk_clipboard_handler handler) {
  std::lock_guard lock(handler_mutex());
  clipboard_handler() = std::move(handler);
}

void tk_set_mail_handler(tk_mail_handler handler) {
  std::lock_guard lock(handler_mutex());
  mail_handler() = std::move(handler);
}

void tk_copy_to_clipboard2(const std::wstring& text) {
  tk_wtrace(2, L"tk_copy_to_clipboard2(%s)", text);
  tk_clipboard_handler handler;
  {
    std::lock_guard lock(handler_mutex());
    handler = clipboard_handler();
  }
  if (!handler) {
    tk_trace(2, "No clipboard available");
    return;
  }
  int error;
  try {
    error = handler(text);
  } catch (const std::exception& e) {
    tk_trace(2, "Clipboard failed: %s", e.what());
    return;
  }
  if (error != 0) {
    tk_trace(2, "GetLastError() returns %08X", error);
    return;
  }
  tk_trace(2, "OpenClipboard succeeded");
}

void tk_send_bug(const std::string& subject, const std::string& body) {
  tk_trace(2, "tk_send_bug(%s|%s)", subject, body);
  tk_mail_handler handler;
  {
    std::lock_guard lock(handler_mutex());
    handler = mail_handler();
  }
  if (!handler) {
    tk_trace(2, "No mail client available");
    return;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  tk_bug_report report;
  report.address = TK_SUPPORT_ADDRESS;
  report.subject = "Bug report on " + subject;
  report.note = body;
  report.date_time = tk_format("%d/%d/%d %d:%d", local.tm_year + 1900, local.tm_mon + 1,
                               local.tm_mday, local.tm_hour, local.tm_min);
  int result;
  try {
    tk_cur_dir_keeper keeper;
    result = handler(report);
  } catch (const std::exception& e) {
    tk_trace(2, "Sending the report failed: %s", e.what());
    return;
  }
  tk_trace(2, "lpfnMAPISendMail returns %d", result);
}
