// record_pipeline: the records of one source recordset, in order, for the
// thread that writes them. Threaded, a reader thread of its own reads ahead
// (move_first, take_item, next) into a bounded queue while the writer works
// on earlier records; inline, the writer's own calls read the source, one
// record at a time. Both hand out the same records and the same errors at
// the same places, so the writer's loop is one. TARVEL_PIPELINE=0 turns the
// reader thread off.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_row_compare.h"

class record_pipeline {
 public:
  // How far the reader thread may read ahead: records and their approximate
  // bytes in the queue (the writer may hold as many again, taken in one go).
  // A record larger than `bytes` alone still passes. A short queue keeps the
  // records in the processor's cache between the two threads: on the Bench
  // table, reading 1,000 records ahead cost about 20 % more processor time
  // than 64 ahead (bench/access_pipeline.sh).
  struct limits {
    size_t records = 64;
    size_t bytes = 16u << 20;
  };

  // Reads `source` on the caller's thread (inline) or on a reader thread.
  // The source must not be used otherwise until stop() or destruction.
  record_pipeline(udb_recordset& source, bool threaded, limits bounds);
  // Stops and joins the reader thread.
  ~record_pipeline();
  record_pipeline(const record_pipeline&) = delete;
  record_pipeline& operator=(const record_pipeline&) = delete;

  // Whether the environment lets the copy read on a thread of its own
  // (TARVEL_PIPELINE unset or anything but "0").
  static bool enabled_by_environment();

  // Threaded, each record is also prepared for a row comparison on the
  // reader thread (handed out by take); set before start(). A record whose
  // preparation fails is handed out without it.
  void prepare_with(udb_row_compare::preparer prepare) { prepare_ = std::move(prepare); }
  // Positions the source on its first record (inline), or starts the reader.
  void start();
  // True while a record follows. Raises what moving the source raised
  // (move_first, next, is_eof), where the single-threaded loop would.
  bool more();
  // The record more() announced. Inline, the record the source handed over
  // (take_item), else null and *record points at the source's current row;
  // threaded, always handed over (copied when the source keeps its rows).
  // Raises what reading that record raised. `*ready` (when asked for)
  // receives what prepare_with's function made of it, else null.
  std::unique_ptr<udb_record> take(const udb_record** record,
                                   std::unique_ptr<udb_row_compare::prepared>* ready = nullptr);
  // Moves past the record taken (inline: the source's next()).
  void advance();
  // Ends the reader thread (it finishes at most the record it is reading)
  // and drops what it read ahead. Safe to call more than once.
  void stop();

  bool threaded() const { return threaded_; }
  // Approximate memory of a record, as counted against limits::bytes.
  static size_t approximate_bytes(const udb_record& record);

 private:
  enum class kind : uint8_t {
    record,      // a record read
    read_error,  // reading the record failed (take_item / get_item)
    move_error,  // moving the source failed (move_first / is_eof / next)
    end          // no record follows
  };
  struct item {
    kind what = kind::end;
    std::unique_ptr<udb_record> record;
    std::unique_ptr<udb_row_compare::prepared> ready;
    std::exception_ptr error;
    size_t bytes = 0;
  };

  void read();  // the reader thread
  // Queues a record, waiting for room; false when stopped meanwhile.
  bool put(item entry);
  // Queues the last item, without waiting for room.
  void finish(item entry);
  // The front item, waiting for the reader (threaded only).
  item& front();

  udb_recordset& source_;
  const bool threaded_;
  const limits bounds_;
  udb_row_compare::preparer prepare_;  // used by the reader thread

  // Shared with the reader thread, under lock_.
  std::mutex lock_;
  std::condition_variable room_;       // the reader waits for room
  std::condition_variable available_;  // the writer waits for items
  std::deque<item> queue_;
  size_t queued_bytes_ = 0;
  std::atomic<bool> stopping_{false};  // set under lock_, read by the reader without it
  bool reader_done_ = false;           // the reader has queued its last item
  std::exception_ptr lost_;            // why it could not, if it could not
  bool reader_waits_ = false;
  bool writer_waits_ = false;

  // The writer's side: items taken from queue_ in one go.
  std::deque<item> taken_;
  std::thread reader_;
};
