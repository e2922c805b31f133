// ora_row_feed: the rows of an Oracle table in the order the table holds
// them, each as the canonical values of its columns (ora_canonical_rows) and
// the digests of its key and of the whole row, for ora_row_compare. Read on
// a thread of its own, with a session of its own (ora_thread_session), in
// chunks of rows that a bounded queue hands to the caller, so that reading
// the table and the caller's writing overlap; or, inline, on the caller's
// session one row at a time. The thread's read sees the table as it was
// when the feed started (its first row is read before the constructor
// returns), whatever the caller writes meanwhile. A thread whose session
// cannot be opened leaves the feed inline. Used by one caller thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ORA/ora_row_census.h"
#include "UDB/verify_canonical.h"

class ora_canonical_rows;

class ora_row_feed {
 public:
  using digest = ora_row_census::digest;
  struct row {
    digest key, whole;
    std::vector<std::string> values;  // canonical, per column
  };

  // Rows of `table`, columns `names` of `kinds`; in_key marks the key's
  // columns (a row with a NULL in one is passed over). `decimal_mark` is the
  // caller's session's, for the inline read; the thread asks its own.
  ora_row_feed(const std::wstring& table, const std::vector<std::wstring>& names,
               const std::vector<verify_kind>& kinds, char decimal_mark,
               const std::vector<bool>& in_key, bool threaded);
  // Stops and joins the thread; never throws.
  ~ora_row_feed();
  ora_row_feed(const ora_row_feed&) = delete;
  ora_row_feed& operator=(const ora_row_feed&) = delete;

  // The next row with its whole key, valid until the next call; null at the
  // end. Raises what reading the table raised, where it raised it.
  const row* next();
  // Rows read from the table so far (passed over ones included).
  uint64_t rows_read() const { return rows_read_; }
  bool threaded() const { return threaded_; }
  // Whether the environment lets the rows be read on a thread of their own
  // (TARVEL_PIPELINE unset or anything but "0", as for the source's reader).
  static bool enabled_by_environment();

  // Rows per chunk, and chunks the thread may read ahead.
  static constexpr size_t kChunkRows = 256;
  static constexpr size_t kChunksAhead = 8;

 private:
  struct chunk {
    std::vector<row> rows;
    size_t size = 0;
    uint64_t read = 0;  // rows of the table read for it
    bool last = false;  // nothing follows
  };
  // Reads the next row with its whole key into `out`; false at the end.
  // `read` counts every row read.
  bool read_row(ora_canonical_rows& rows, row& out, uint64_t& read);
  void run();  // the thread
  void open_inline();

  const std::wstring table_;
  const std::vector<std::wstring> names_;
  const std::vector<verify_kind> kinds_;
  const char decimal_mark_;
  const std::vector<bool> in_key_;
  bool threaded_;
  uint64_t rows_read_ = 0;
  ora_row_census::row_digests digests_;  // buffers of the reading thread

  // Inline.
  std::unique_ptr<ora_canonical_rows> rows_;
  row current_;
  bool at_end_ = false;

  // Threaded: under lock_.
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<chunk>> full_, free_;
  bool stopping_ = false;
  bool done_ = false;        // the thread has queued its last chunk, or failed
  bool opened_ = false;      // its session is open and its first row read
  std::exception_ptr lost_;  // why it failed
  // The caller's side.
  std::unique_ptr<chunk> taken_;
  size_t taken_at_ = 0;
  std::thread thread_;
};
