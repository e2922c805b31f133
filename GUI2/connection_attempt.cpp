// A logon to Oracle on its own thread that may be left behind.
#include "GUI2/connection_attempt.h"

#include <exception>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

connection_attempt::connection_attempt(ora_engine& engine, settings values,
                                       std::unique_ptr<connection_attempt> previous,
                                       std::function<void()> on_finish)
    : engine_(engine),
      settings_(std::move(values)),
      previous_(std::move(previous)),
      on_finish_(std::move(on_finish)) {
  thread_ = std::thread([this] { run(); });
}

connection_attempt::~connection_attempt() {
  abandon();
  if (thread_.joinable()) thread_.join();
}

void connection_attempt::run() {
  tk_trace(2, "oracle_settings_page::animation::operator()");
  // An attempt left behind may still be logging on through the same session.
  previous_.reset();
  outcome result;
  try {
    tk_wtrace(2, L"Just before calling 'connect_oracle_server', dest=%s", settings_.service);
    result.database = engine_.open_db(settings_.host, settings_.user, settings_.password,
                                      settings_.port, settings_.service);
    result.warning = engine_.logon_warning();
  } catch (const ora_exception& e) {
    result.failed = failure::oracle;
    result.code = e.code();
    result.message = e.message();
  } catch (const tk_mail_assertion& e) {
    result.failed = failure::internal;
    result.message = e.message();
  } catch (const tk_exception& e) {
    result.failed = failure::toolkit;
    result.code = e.code();
    result.message = e.message();
  } catch (const std::exception& e) {
    result.failed = failure::other;
    result.message = e.what();
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (abandoned_) {
    tk_trace(2, "The connection attempt was abandoned; its result is dropped");
    discard(result);
  } else {
    outcome_ = std::move(result);
  }
  finished_ = true;
  // Under the lock: once abandon() has returned, the owner's callback (which
  // may refer to a closed dialog) is never called.
  if (!abandoned_ && on_finish_) on_finish_();
}

void connection_attempt::discard(outcome& result) {
  if (!result.database) return;
  // The database goes before the session that it uses; the session was
  // opened for nobody.
  result.database.reset();
  engine_.end_session();
}

void connection_attempt::abandon() {
  std::lock_guard<std::mutex> hold(lock_);
  if (abandoned_) return;
  abandoned_ = true;
  // A result already there is dropped here; the thread no longer touches
  // the session.
  if (finished_) discard(outcome_);
  outcome_ = outcome{};
}

connection_attempt::outcome connection_attempt::take() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> hold(lock_);
  outcome result = std::move(outcome_);
  outcome_ = outcome{};
  return result;
}

bool connection_attempt::finished() const {
  std::lock_guard<std::mutex> hold(lock_);
  return finished_;
}
