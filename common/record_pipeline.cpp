// record_pipeline: the reader thread and the bounded queue between it and
// the writer. Each item is a record, an error at its place in the source's
// order, or the end. The writer takes whatever the queue holds in one go,
// so the two threads meet once per run of records rather than per record.
#include "common/record_pipeline.h"

#ifdef __linux__
#include <pthread.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "OLE/automation/oleauto.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
// What a field costs beside its value: the field object, its name, the
// record's pointer to it.
constexpr size_t kFieldOverhead = 96;
// Records queued before a waiting writer is woken.
constexpr size_t kWakeWriterAt = 16;

std::unique_ptr<udb_record> copy_of(const udb_record& record) {
  auto copy = std::make_unique<udb_record>();
  copy->reserve(record.size());
  for (size_t i = 0; i < record.size(); ++i) copy->add(record[i].clone());
  return copy;
}
}  // namespace

record_pipeline::record_pipeline(udb_recordset& source, bool threaded, limits bounds)
    : source_(source), threaded_(threaded), bounds_(bounds) {}

record_pipeline::~record_pipeline() {
  stop();
}

bool record_pipeline::enabled_by_environment() {
  const char* text = std::getenv("TARVEL_PIPELINE");
  return text == nullptr || std::strcmp(text, "0") != 0;
}

size_t record_pipeline::approximate_bytes(const udb_record& record) {
  size_t bytes = 0;
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& field = record[i];
    bytes += kFieldOverhead + field.name.size() * sizeof(wchar_t);
    const VARIANT& value = field.get_variant();
    if (value.vt == VT_BSTR) {
      bytes += SysStringByteLen(value.bstrVal);
    } else if (value.vt == VT_BYTE_ARRAY) {
      const uint8_t* data = nullptr;
      bytes += field.get_bytes(&data);
    }
  }
  return bytes;
}

void record_pipeline::start() {
  if (!threaded_) {
    source_.move_first();
    return;
  }
  tk_trace(1, "Reading ahead at most %d records, %d bytes", static_cast<int>(bounds_.records),
           static_cast<int>(bounds_.bytes));
  reader_ = std::thread(&record_pipeline::read, this);
#ifdef __linux__
  // Named for profilers and debuggers (at most 15 characters).
  pthread_setname_np(reader_.native_handle(), "tarvel-reader");
#endif
}

bool record_pipeline::more() {
  if (!threaded_) return !source_.is_eof();
  item& next = front();
  if (next.what == kind::move_error) std::rethrow_exception(next.error);
  return next.what != kind::end;
}

std::unique_ptr<udb_record> record_pipeline::take(
    const udb_record** record, std::unique_ptr<udb_row_compare::prepared>* ready) {
  if (ready != nullptr) ready->reset();
  if (!threaded_) {
    std::unique_ptr<udb_record> owned = source_.take_item();
    *record = owned ? owned.get() : source_.get_item();
    return owned;
  }
  item& next = front();
  if (next.what == kind::read_error || next.what == kind::move_error)
    std::rethrow_exception(next.error);
  TK_ASSERT(next.what == kind::record);
  std::unique_ptr<udb_record> owned = std::move(next.record);
  if (ready != nullptr) *ready = std::move(next.ready);
  taken_.pop_front();
  *record = owned.get();
  return owned;
}

void record_pipeline::advance() {
  if (!threaded_) source_.next();
}

void record_pipeline::stop() {
  if (!reader_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  room_.notify_one();
  reader_.join();
  // The records read ahead are dropped here, on the writer's thread.
  queue_.clear();
  taken_.clear();
}

record_pipeline::item& record_pipeline::front() {
  if (taken_.empty()) {
    std::unique_lock<std::mutex> hold(lock_);
    writer_waits_ = true;
    available_.wait(hold, [this] { return !queue_.empty() || reader_done_; });
    writer_waits_ = false;
    if (queue_.empty()) {
      // The reader ended without a last item (it could not queue one).
      item lost;
      lost.what = kind::move_error;
      lost.error = lost_ ? lost_ : std::make_exception_ptr(std::bad_alloc());
      taken_.push_back(std::move(lost));
    } else {
      taken_.swap(queue_);
      queued_bytes_ = 0;
      if (reader_waits_) room_.notify_one();
    }
  }
  return taken_.front();
}

bool record_pipeline::put(item entry) {
  std::unique_lock<std::mutex> hold(lock_);
  const auto full = [&] {
    return !queue_.empty() &&
           (queue_.size() >= bounds_.records || queued_bytes_ + entry.bytes > bounds_.bytes);
  };
  if (full() && !stopping_) {
    if (writer_waits_) available_.notify_one();
    reader_waits_ = true;
    room_.wait(hold, [&] { return stopping_ || !full(); });
    reader_waits_ = false;
  }
  if (stopping_) return false;
  queued_bytes_ += entry.bytes;
  queue_.push_back(std::move(entry));
  // A writer that waits is woken for a run of records rather than for each
  // one: waking it per record cost a system call on both sides per record.
  if (writer_waits_ && queue_.size() >= std::min(kWakeWriterAt, bounds_.records))
    available_.notify_one();
  return true;
}

void record_pipeline::finish(item entry) {
  std::lock_guard<std::mutex> hold(lock_);
  try {
    queue_.push_back(std::move(entry));
  } catch (...) {
    lost_ = std::current_exception();
  }
  reader_done_ = true;
  available_.notify_one();
}

// Reads as the single-threaded loop does; an error becomes the last item,
// marked by where it arose, and ends the reading.
void record_pipeline::read() {
  kind where = kind::move_error;
  try {
    source_.move_first();
    for (;;) {
      where = kind::move_error;
      if (source_.is_eof()) break;
      where = kind::read_error;
      item entry;
      entry.what = kind::record;
      entry.record = source_.take_item();
      if (!entry.record) {
        // A source that keeps its rows: the queue holds a copy.
        const udb_record* kept = source_.get_item();
        TK_ASSERT(kept != nullptr);
        entry.record = copy_of(*kept);
      }
      entry.bytes = approximate_bytes(*entry.record);
      if (prepare_) {
        try {
          entry.ready = prepare_(*entry.record);
        } catch (...) {
          // compare() prepares it again on the writer's thread, where a
          // failure counts.
        }
      }
      if (!put(std::move(entry))) return;
      where = kind::move_error;
      source_.next();
      if (stopping_) return;
    }
    item end;
    end.what = kind::end;
    finish(std::move(end));
  } catch (...) {
    item failure;
    failure.what = where;
    failure.error = std::current_exception();
    finish(std::move(failure));
  }
}
