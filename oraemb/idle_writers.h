// Sessions of this process that hold SQLite's writer lock between calls
// with a transaction that could give it up (a parkable one), and the one
// thread that watches them: while a session is idle and another session,
// of any process, waits for the writer lock, the watcher asks the idle one
// to park its transaction. The thread starts with the first such session
// and is stopped and joined when the library unloads or the process exits.
#pragma once

namespace oraemb {

class IdleWriters {
 public:
  class Writer {
   public:
    // Called on the watcher's thread, never while the writer is inside a
    // call of its own (it must check that itself, without waiting). False:
    // nothing left to watch (parked, or not parkable any more).
    virtual bool yield_if_wanted() = 0;

   protected:
    ~Writer() = default;
  };

  // Watches `w` until its yield_if_wanted says otherwise or forget.
  static void watch(Writer* w);
  // After this returns the watcher no longer uses `w`.
  static void forget(Writer* w);
};

}  // namespace oraemb
