// One logon to Oracle on a thread of its own, for the connection page. The
// attempt works on its own copy of the settings and keeps what it gets until
// the GUI thread takes it; it can be abandoned at any time: the logon itself
// cannot be interrupted, so the thread runs on to its end, and then throws
// the result away (a session it opened is ended). The destructor joins.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class ora_engine;
class udb_destination;

class connection_attempt {
 public:
  struct settings {
    std::wstring host, user, password, port, service;
  };
  enum class failure { none, oracle, toolkit, internal, other };
  // What a finished attempt got: a database (connected) or a failure with the
  // exception's code and text.
  struct outcome {
    std::unique_ptr<udb_destination> database;
    std::wstring warning;
    failure failed = failure::none;
    int32_t code = 0;
    std::string message;
  };
  // Starts the thread. `previous`, an attempt left behind, is waited for
  // first (both use the one Oracle session). `on_finish` runs on the thread
  // once the outcome is ready, unless the attempt was abandoned before.
  connection_attempt(ora_engine& engine, settings values,
                     std::unique_ptr<connection_attempt> previous, std::function<void()> on_finish);
  ~connection_attempt();
  connection_attempt(const connection_attempt&) = delete;
  connection_attempt& operator=(const connection_attempt&) = delete;

  // Leaves the attempt behind: on_finish will not run and the outcome is
  // dropped (at once when it is already there). Any thread but the attempt's.
  void abandon();
  // Waits for the thread to end and hands over the outcome (once; an
  // abandoned attempt gives an empty one).
  outcome take();
  bool finished() const;

 private:
  void run();
  void discard(outcome& result);

  ora_engine& engine_;
  settings settings_;
  std::unique_ptr<connection_attempt> previous_;
  std::function<void()> on_finish_;
  mutable std::mutex lock_;
  bool finished_ = false;
  bool abandoned_ = false;
  outcome outcome_;
  std::thread thread_;
};
