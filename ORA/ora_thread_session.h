// A further session with the database that the engine is logged on to, for
// a thread that writes tables beside the engine's own session: its own
// environment, error handle and logon, bound to the thread that opened it
// (every Oracle class used on that thread reaches these handles through
// ora_engine). ora_thread_database is the destination database of such a
// session. Both are opened, used and destroyed on one thread.
#pragma once

#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"

class ora_thread_session {
 public:
  // Logs on with the engine's data source, user and password and binds the
  // session to the calling thread; ora_exception (or a level-1 tk_exception
  // when the client cannot start an environment) on failure, leaving
  // nothing open or bound.
  explicit ora_thread_session(const ora_engine& engine);
  // Unbinds the thread and logs off (committing open work, as the end of a
  // session does); never throws.
  ~ora_thread_session();
  ora_thread_session(const ora_thread_session&) = delete;
  ora_thread_session& operator=(const ora_thread_session&) = delete;

 private:
  void close() noexcept;
  ora_session_handles handles_;
};

namespace ora_detail {
// Holds the session so that it is open before the database part of
// ora_thread_database is built (which reads the schema through it) and
// closed after that part is gone.
struct thread_session_holder {
  explicit thread_session_holder(const ora_engine& engine) : session(engine) {}
  ora_thread_session session;
};
}  // namespace ora_detail

class ora_thread_database : private ora_detail::thread_session_holder, public ora_database {
 public:
  explicit ora_thread_database(const ora_engine& engine);
};
