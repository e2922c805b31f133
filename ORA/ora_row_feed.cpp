// ora_row_feed: an Oracle table's rows in canonical form, read on a thread
// with a session of its own or inline.
#include "ORA/ora_row_feed.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_thread_session.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

ora_row_feed::ora_row_feed(const std::wstring& table, const std::vector<std::wstring>& names,
                           const std::vector<verify_kind>& kinds, char decimal_mark,
                           const std::vector<bool>& in_key, bool threaded)
    : table_(table),
      names_(names),
      kinds_(kinds),
      decimal_mark_(decimal_mark),
      in_key_(in_key),
      threaded_(threaded) {
  TK_ASSERT(in_key_.size() == kinds_.size() && names_.size() == kinds_.size());
  if (!threaded_) {
    open_inline();
    return;
  }
  thread_ = std::thread([this] { run(); });
  pthread_setname_np(thread_.native_handle(), "tarvel-rows");
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return opened_ || done_; });
  if (opened_) return;
  // No session for the thread (or no read on it): the caller's session
  // reads, and says why the table cannot be read if it cannot.
  std::string why = "unknown";
  try {
    if (lost_) std::rethrow_exception(lost_);
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
  }
  hold.unlock();
  thread_.join();
  tk_trace(2, "ora_row_feed: rows read on the writing session: %s", why.c_str());
  lost_ = nullptr;
  threaded_ = false;
  open_inline();
}

ora_row_feed::~ora_row_feed() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ora_row_feed::open_inline() {
  rows_ = std::make_unique<ora_canonical_rows>(table_, names_, kinds_, decimal_mark_);
  current_.values.resize(kinds_.size());
}

bool ora_row_feed::read_row(ora_canonical_rows& rows, row& out, uint64_t& read) {
  out.values.resize(kinds_.size());
  while (rows.next()) {
    ++read;
    digests_.start();
    for (size_t i = 0; i < kinds_.size(); ++i) {
      std::string& value = out.values[i];
      value.clear();
      rows.append(i, value);
      digests_.add(value, in_key_[i]);
    }
    if (digests_.finish(out.key, out.whole)) return true;
  }
  return false;
}

void ora_row_feed::run() {
  try {
    const ora_thread_session session(ora_engine::instance());
    ora_canonical_rows rows(table_, names_, kinds_, ora_decimal_mark());
    for (;;) {
      std::unique_ptr<chunk> next;
      {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return stopping_ || full_.size() < kChunksAhead; });
        if (stopping_) return;
        if (!free_.empty()) {
          next = std::move(free_.front());
          free_.pop_front();
        }
      }
      if (!next) next = std::make_unique<chunk>();
      next->size = 0;
      next->read = 0;
      next->last = false;
      next->rows.resize(kChunkRows);
      while (next->size < kChunkRows) {
        if (!read_row(rows, next->rows[next->size], next->read)) {
          next->last = true;
          break;
        }
        ++next->size;
      }
      const bool last = next->last;
      {
        const std::lock_guard<std::mutex> hold(lock_);
        full_.push_back(std::move(next));
        opened_ = true;
        done_ = last;
      }
      changed_.notify_all();
      if (last) return;
    }
  } catch (...) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      lost_ = std::current_exception();
      done_ = true;
    }
    changed_.notify_all();
  }
}

const ora_row_feed::row* ora_row_feed::next() {
  if (!threaded_) {
    if (at_end_) return nullptr;
    if (read_row(*rows_, current_, rows_read_)) return &current_;
    at_end_ = true;
    return nullptr;
  }
  for (;;) {
    if (taken_ && taken_at_ < taken_->size) return &taken_->rows[taken_at_++];
    if (taken_ && taken_->last) return nullptr;
    {
      std::unique_lock<std::mutex> hold(lock_);
      if (taken_) free_.push_back(std::move(taken_));
      changed_.wait(hold, [this] { return !full_.empty() || done_; });
      if (full_.empty()) {
        if (lost_) std::rethrow_exception(lost_);
        return nullptr;
      }
      taken_ = std::move(full_.front());
      full_.pop_front();
    }
    changed_.notify_all();
    taken_at_ = 0;
    rows_read_ += taken_->read;
  }
}

bool ora_row_feed::enabled_by_environment() {
  const char* value = std::getenv("TARVEL_PIPELINE");
  return value == nullptr || std::strcmp(value, "0") != 0;
}
