// The read-ahead of a copy's source: read on a thread of its own, a source
// hands out the same records and raises the same errors at the same places
// as when the writer reads it itself, and prepares them for a comparison;
// the queue stays within its bounds, and stopping ends the reader after the
// record it is reading.
#include "common/record_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "UDB/udb_field.h"

namespace {

// A source of `rows` one-field records ("r0", "r1", ...) that fails where
// told. Reads are counted; a reader can be held inside next().
class scripted_source : public udb_recordset {
 public:
  explicit scripted_source(size_t rows) : udb_recordset(L"S", true), rows_(rows) {}

  int fail_move_first = 0;      // 1: move_first raises
  int fail_take_at = -1;        // reading this row raises
  int fail_next_at = -1;        // moving past this row raises
  bool hands_rows_over = true;  // else get_item only
  size_t value_chars = 2;       // the value's length (filled with its row's name)
  size_t big_row = SIZE_MAX;    // this row's value is big_chars long
  size_t big_chars = 0;
  std::atomic<size_t> reads{0};

  // next() past row `row` waits until release().
  void hold_at(size_t row) { hold_at_ = row; }
  void wait_until_held() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return held_; });
  }
  void release() {
    std::lock_guard<std::mutex> lock(m_);
    released_ = true;
    cv_.notify_all();
  }

  void append_record(const udb_record&) override { TK_FAIL(); }
  udb_record* get_item() override {
    kept_ = make();
    return kept_.get();
  }
  std::unique_ptr<udb_record> take_item() override {
    if (!hands_rows_over) return nullptr;
    return make();
  }
  bool is_eof() override { return pos_ >= rows_; }
  void next() override {
    if (static_cast<int>(pos_) == fail_next_at)
      throw tk_exception("Cannot move past row " + std::to_string(pos_), 0x10000 + 3021, 0);
    if (pos_ == hold_at_) {
      std::unique_lock<std::mutex> lock(m_);
      held_ = true;
      cv_.notify_all();
      cv_.wait(lock, [&] { return released_; });
    }
    ++pos_;
  }
  void move_first() override {
    if (fail_move_first != 0) throw tk_exception(std::string("Cannot open the rows"), 3051, 0);
    pos_ = 0;
  }

 private:
  std::unique_ptr<udb_record> make() {
    if (static_cast<int>(pos_) == fail_take_at)
      throw tk_exception("Cannot read row " + std::to_string(pos_), 0x10000 + 3049, 0);
    ++reads;
    std::wstring value = L"r" + std::to_wstring(pos_);
    value.resize(pos_ == big_row ? big_chars : std::max(value_chars, value.size()), L'.');
    auto record = std::make_unique<udb_record>();
    record->add(std::make_unique<udb_field>(L"V", 50, ole_variant(value), false, false));
    return record;
  }

  const size_t rows_;
  size_t pos_ = 0;
  size_t hold_at_ = SIZE_MAX;
  std::mutex m_;
  std::condition_variable cv_;
  bool held_ = false, released_ = false;
  std::unique_ptr<udb_record> kept_;
};

std::string first_value(const udb_record& record) {
  return tk_to_utf8(record[0].to_wstring()).substr(0, 8);
}

// What a writer sees of the source, as the copy's loop walks it: each
// record's value and whether it was handed over, and the error that ended
// the walk with the call that raised it.
std::vector<std::string> walk(scripted_source& source, bool threaded) {
  std::vector<std::string> seen;
  record_pipeline feed(source, threaded, record_pipeline::limits{3, 1u << 20});
  bool started = false;
  for (;;) {
    bool more = false;
    try {
      if (started) feed.advance();
      if (!started) feed.start();
      started = true;
      more = feed.more();
    } catch (const tk_exception& e) {
      seen.push_back(std::string("moving raised: ") + e.what());
      break;
    }
    if (!more) break;
    const udb_record* record = nullptr;
    try {
      std::unique_ptr<udb_record> owned = feed.take(&record);
      seen.push_back(first_value(*record) + (owned ? " owned" : " kept"));
    } catch (const tk_exception& e) {
      seen.push_back(std::string("take raised: ") + e.what());
      break;
    }
  }
  return seen;
}

TEST(RecordPipeline, HandsOutWhatTheSourceDoesAndItsErrorsWhereTheyArise) {
  struct script {
    const char* name;
    int fail_move_first, fail_take_at, fail_next_at;
    bool hands_over;
  };
  const script scripts[] = {{"whole", 0, -1, -1, true},         {"kept rows", 0, -1, -1, false},
                            {"unopenable", 1, -1, -1, true},    {"bad first row", 0, 0, -1, true},
                            {"bad row 5", 0, 5, -1, true},      {"cut after row 4", 0, -1, 4, true},
                            {"cut at the end", 0, -1, 6, false}};
  for (const script& s : scripts) {
    SCOPED_TRACE(s.name);
    std::vector<std::vector<std::string>> walks;
    for (bool threaded : {false, true}) {
      scripted_source source(7);
      source.fail_move_first = s.fail_move_first;
      source.fail_take_at = s.fail_take_at;
      source.fail_next_at = s.fail_next_at;
      source.hands_rows_over = s.hands_over;
      walks.push_back(walk(source, threaded));
    }
    const std::vector<std::string>& inline_walk = walks[0];
    std::vector<std::string> threaded_walk = walks[1];
    // Threaded, a source that keeps its rows hands out copies.
    for (std::string& line : threaded_walk) {
      const size_t at = line.find(" owned");
      if (!s.hands_over && at != std::string::npos) line.replace(at, 6, " kept");
    }
    EXPECT_EQ(threaded_walk, inline_walk);
    ASSERT_FALSE(inline_walk.empty());
  }
  scripted_source cut(7);
  cut.fail_next_at = 4;
  const std::vector<std::string> seen = walk(cut, true);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[4], "r4 owned");
  EXPECT_EQ(seen[5], "moving raised: Cannot move past row 4");
  scripted_source bad(7);
  bad.fail_take_at = 5;
  EXPECT_EQ(walk(bad, true).back(), "take raised: Cannot read row 5");
}

// Threaded, each record comes with what the comparison's preparer made of
// it on the reader thread; a record whose preparation failed comes without,
// as every record does inline.
TEST(RecordPipeline, PreparesRecordsOnTheReaderThread) {
  struct made : udb_row_compare::prepared {
    std::string value;
    std::thread::id on;
  };
  const udb_row_compare::preparer prepare = [](const udb_record& record) {
    if (first_value(record) == "r2") throw std::runtime_error("no form");
    auto form = std::make_unique<made>();
    form->value = first_value(record);
    form->on = std::this_thread::get_id();
    return std::unique_ptr<udb_row_compare::prepared>(std::move(form));
  };
  for (bool threaded : {false, true}) {
    SCOPED_TRACE(threaded ? "threaded" : "inline");
    scripted_source source(5);
    record_pipeline feed(source, threaded, record_pipeline::limits{2, 1u << 20});
    feed.prepare_with(prepare);
    feed.start();
    std::vector<std::string> seen;
    while (feed.more()) {
      const udb_record* record = nullptr;
      std::unique_ptr<udb_row_compare::prepared> ready;
      const std::unique_ptr<udb_record> owned = feed.take(&record, &ready);
      const auto* form = dynamic_cast<const made*>(ready.get());
      if (form != nullptr) {
        EXPECT_NE(form->on, std::this_thread::get_id());
      }
      seen.push_back(form == nullptr ? "-" : form->value);
      feed.advance();
    }
    feed.stop();
    EXPECT_EQ(seen, threaded ? (std::vector<std::string>{"r0", "r1", "-", "r3", "r4"})
                             : (std::vector<std::string>{"-", "-", "-", "-", "-"}));
  }
}

TEST(RecordPipeline, ReadsAheadNoFurtherThanItsBounds) {
  // By records: the queue and the run the writer took hold three each, and
  // the reader waits with one more.
  scripted_source many(1000);
  {
    record_pipeline feed(many, true, record_pipeline::limits{3, 1u << 20});
    feed.start();
    ASSERT_TRUE(feed.more());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_LE(many.reads.load(), 3u + 3u + 1u);
    const udb_record* record = nullptr;
    for (int i = 0; i < 10; ++i) {
      ASSERT_TRUE(feed.more());
      const std::unique_ptr<udb_record> owned = feed.take(&record);
      EXPECT_EQ(first_value(*record), "r" + std::to_string(i));
    }
  }
  EXPECT_LE(many.reads.load(), 10u + 3u + 3u + 1u);

  // By bytes: records of about 100 KB in a queue of 250 KB; a record larger
  // than the whole bound still passes, alone.
  scripted_source wide(40);
  wide.value_chars = 50000;
  wide.big_row = 20;
  wide.big_chars = 1000000;
  record_pipeline feed(wide, true, record_pipeline::limits{1000, 250000});
  feed.start();
  ASSERT_TRUE(feed.more());
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_LE(wide.reads.load(), 2u + 2u + 1u);
  size_t count = 0;
  const udb_record* record = nullptr;
  while (feed.more()) {
    std::unique_ptr<udb_record> owned = feed.take(&record);
    EXPECT_EQ((*record)[0].to_wstring().size(), count == 20 ? 1000000u : 50000u);
    ++count;
  }
  EXPECT_EQ(count, 40u);
  EXPECT_GT(record_pipeline::approximate_bytes(*wide.get_item()), 100000u);
}

TEST(RecordPipeline, StopEndsTheReaderAfterTheRecordItIsReading) {
  // The reader is inside the source while the writer stops: stop waits for
  // that record only, and nothing is read after it.
  scripted_source source(100);
  source.hold_at(4);
  record_pipeline feed(source, true, record_pipeline::limits{50, 1u << 20});
  feed.start();
  source.wait_until_held();
  std::future<void> stopped = std::async(std::launch::async, [&] { feed.stop(); });
  EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  source.release();
  stopped.get();
  EXPECT_EQ(source.reads.load(), 5u);
  feed.stop();  // a second stop does nothing

  // A reader waiting for room, and one that has finished, end with the
  // pipeline whatever the writer did.
  for (size_t rows : {size_t{100}, size_t{2}}) {
    scripted_source waiting(rows);
    {
      record_pipeline ahead(waiting, true, record_pipeline::limits{3, 1u << 20});
      ahead.start();
      ASSERT_TRUE(ahead.more());
    }
    EXPECT_LE(waiting.reads.load(), 7u);
  }
}

}  // namespace
