// The set-up a logon does on a database file (the WAL journal, the
// catalogue tables, the user's row) runs in one session at a time, across
// the threads of this process and other processes: it holds an exclusive
// byte of the file's lock file from before the file is opened until the
// logon has checked its user. A second logon waits for the first one's
// set-up, as a logon to a server waits while the instance starts.
#pragma once

#include <sqlite3.h>

#include <string>

namespace oraemb {

class SetupLock {
 public:
  // Takes the set-up lock of `database_path`, waiting up to `timeout_ms`
  // (then ORA-00054); ORA-00600 when the lock file cannot be opened.
  SetupLock(const std::string& database_path, int timeout_ms);
  ~SetupLock();
  SetupLock(const SetupLock&) = delete;
  SetupLock& operator=(const SetupLock&) = delete;

  // Test seam, armed by TARVEL_ORAEMB_HOLD_SETUP=<seconds>: the logon that
  // makes a new file a WAL database holds inside that write transaction
  // until another logon of this process reaches the same file's set-up (or
  // the seconds run out). Two first logons then meet at the worst moment
  // every time. Without the variable these cost nothing.
  void hold_first_write(sqlite3* conn);
  void end_hold(sqlite3* conn);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace oraemb
