// The order in which a run converts its work list, and the work list on
// several jobs at once (--jobs): each job a thread with its own source
// reading and destination session, an entry started once the entries it
// refers to are done.
#include "common/conversion_schedule.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "common/error_handler.h"

namespace {

// For each entry of `order`, the positions of the tables it refers to.
std::vector<std::vector<size_t>> parents_in(const work_order& order,
                                            const udb_relationships& relationships) {
  const size_t n = order.size();
  auto position = [&](const std::wstring& name) -> size_t {
    for (size_t i = 0; i < n; ++i)
      if (order[i]->second.empty() && tk_wcs_equal_nocase(order[i]->first, name)) return i;
    return n;
  };
  std::vector<std::vector<size_t>> parents(n);
  for (const udb_relationship& rel : relationships) {
    const size_t child = position(rel.table), parent = position(rel.ref_table);
    if (child < n && parent < n && child != parent) parents[child].push_back(parent);
  }
  return parents;
}

// The parents of each entry that come before it; a parent after it is one
// of a cycle, which the order breaks as the run of one job does.
std::vector<std::vector<size_t>> earlier_parents(const work_order& order,
                                                 const udb_relationships& relationships) {
  std::vector<std::vector<size_t>> parents = parents_in(order, relationships);
  for (size_t child = 0; child < parents.size(); ++child) {
    auto& list = parents[child];
    list.erase(std::remove_if(list.begin(), list.end(), [&](size_t p) { return p > child; }),
               list.end());
  }
  return parents;
}

}  // namespace

work_order conversion_order(const udb_converter::query_map& work,
                            const udb_relationships& relationships) {
  work_order order;
  for (const auto& entry : work) order.push_back(&entry);
  const size_t n = order.size();
  const std::vector<std::vector<size_t>> parents = parents_in(order, relationships);
  std::vector<bool> placed(n, false);
  work_order result;
  while (result.size() < n) {
    // The first entry by name whose parents are all placed; in a cycle, the
    // first entry not placed.
    size_t pick = n;
    for (size_t i = 0; i < n && pick == n; ++i) {
      if (placed[i]) continue;
      bool ready = true;
      for (size_t p : parents[i]) ready = ready && placed[p];
      if (ready) pick = i;
    }
    if (pick == n)
      for (size_t i = 0; i < n && pick == n; ++i)
        if (!placed[i]) pick = i;
    placed[pick] = true;
    result.push_back(order[pick]);
  }
  return result;
}

// The work list on several jobs, each a thread with its own source database
// and destination session: an entry starts once the entries it refers to
// are done (their rows committed), in the order's order otherwise. While the
// jobs work, the run's thread publishes their progress together (the tables
// being copied, their records summed). A stop request or an aborting error
// starts no further entry; the jobs stop between records. Afterwards the
// run's driver takes over what the entries left, in the order's order, and
// an error that ended the run is reported from the run's thread. Answers the
// number of entries of `order` dealt with: 0 when fewer than two jobs had a
// session (the run then converts the list one entry after the other).
size_t convert_on_jobs(tarvel_convertor& conv, udb_source_engine& engine,
                       udb_destination& destination, const work_order& order,
                       const udb_relationships& relationships,
                       const job_worker_factory& make_worker) {
  const size_t n = order.size();
  const size_t jobs = std::min(n, static_cast<size_t>(conv.jobs));
  const std::vector<std::vector<size_t>> parents = earlier_parents(order, relationships);
  tk_trace(3, "Converting %d tables on %d jobs", static_cast<int>(n), static_cast<int>(jobs));

  // The source engine is used on this thread only: each job's database is
  // opened here and read by its job alone.
  std::vector<std::unique_ptr<udb_database>> sources;
  for (size_t j = 0; j < jobs; ++j) {
    sources.push_back(engine.open_db(conv.source_name(), udb_source_engine::kOpenConvert,
                                     conv.access.database_password));
    TK_ASSERT(sources.back() != nullptr);
  }

  enum class state { waiting, running, done };
  job_board board;
  std::mutex lock;  // the fields below
  std::condition_variable changed;
  std::vector<state> states(n, state::waiting);
  std::vector<run_view*> running(n, nullptr);
  std::vector<std::function<void()>> results(n);
  std::vector<std::optional<udb_converter::stop_point>> stops(n);
  std::vector<char> completed(n, 0);
  size_t opened = 0, tried = 0, finished = 0;

  // The first entry that may start, n when none may now, n + 1 when none
  // is left to start.
  auto next_entry = [&]() -> size_t {
    bool left = false;
    for (size_t i = 0; i < n; ++i) {
      if (states[i] != state::waiting) continue;
      left = true;
      bool ready = true;
      for (size_t p : parents[i]) ready = ready && states[p] == state::done;
      if (ready) return i;
    }
    return left ? n : n + 1;
  };
  auto stopping = [&] { return conv.stop_requested() || board.abort.load(); };

  auto work = [&](size_t job) {
    std::unique_ptr<udb_destination> session;
    try {
      // One logon at a time: opening reads the database's settings into
      // what every session of the process shares.
      const std::lock_guard<std::mutex> one_at_a_time(board.names);
      session = destination.open_job_session();
    } catch (const std::exception& e) {  // tk_exception among them
      tk_trace(3, "Job %d has no Oracle session: %s", static_cast<int>(job), e.what());
    }
    std::unique_lock<std::mutex> hold(lock);
    ++tried;
    if (session) ++opened;
    changed.notify_all();
    // Every session is open before the first entry starts.
    changed.wait(hold, [&] { return tried == jobs; });
    if (!session || opened < 2) {
      ++finished;
      changed.notify_all();
      return;
    }
    hold.unlock();
    {
      run_view view(conv, board);
      job_reports reports(error_handler::instance(), board);
      const std::unique_ptr<job_worker> job_driver =
          make_worker(view, reports, *sources[job], *session, board);
      for (;;) {
        conv.wait_while_paused();
        hold.lock();
        size_t i = n;
        changed.wait(hold, [&] { return stopping() || (i = next_entry()) != n; });
        if (stopping() || i > n) {
          hold.unlock();
          break;
        }
        states[i] = state::running;
        running[i] = &view;
        hold.unlock();
        tk_wtrace(3, L"Job %d starts with %s", static_cast<int>(job), order[i]->first);
        bool done_whole = false;
        try {
          job_driver->convert_entry(order[i]->first, order[i]->second);
          done_whole = true;
        } catch (const tk_final_exception&) {
          // The board holds why (an error that ends the run, or Abort).
        } catch (...) {
          const std::lock_guard<std::mutex> report(board.lock);
          if (!board.failure) board.failure = std::current_exception();
          board.abort = true;
        }
        reports.flush_lines();
        hold.lock();
        results[i] = job_driver->take_entry_result();
        stops[i] = view.last_stop;
        view.last_stop.reset();
        if (done_whole) ++conv.tables_done;
        completed[i] = done_whole;
        tk_wtrace(3, L"Job %d is done with %s", static_cast<int>(job), order[i]->first);
        states[i] = state::done;
        running[i] = nullptr;
        changed.notify_all();
        hold.unlock();
      }
    }
    {
      const std::lock_guard<std::mutex> names(board.names);
      destination.adopt_job_work(*session);
    }
    session.reset();
    hold.lock();
    ++finished;
    changed.notify_all();
  };

  std::vector<std::thread> threads;
  for (size_t j = 0; j < jobs; ++j) threads.emplace_back(work, j);
  {
    std::unique_lock<std::mutex> hold(lock);
    while (finished < jobs) {
      // The progress of the tables being copied, as one table's.
      std::wstring names;
      int32_t records = 0, record = 0;
      for (size_t i = 0; i < n; ++i) {
        if (running[i] == nullptr) continue;
        const std::wstring name = running[i]->current_table_name();
        if (!name.empty()) names += (names.empty() ? L"" : L"', '") + name;
        records += running[i]->records_in_current_table.load();
        record += running[i]->current_record_index.load();
      }
      if (!names.empty()) {
        conv.set_current_table_name(names);
        conv.records_in_current_table = records;
        conv.current_record_index = record;
      }
      // A stop request wakes the jobs that wait for an entry.
      changed.wait_for(hold, std::chrono::milliseconds(100));
      if (stopping()) changed.notify_all();
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (opened < 2) {
    tk_trace(3, "Fewer than two Oracle sessions: the tables are converted one after the other");
    return 0;
  }

  for (size_t i = 0; i < n; ++i) {
    if (states[i] != state::done) continue;
    results[i]();
    conv.set_current_table_name(order[i]->first);
    // Where a stop request stopped the jobs; an abort or an error that ended
    // the run leaves no stop point, as without jobs.
    if (stops[i] && !conv.last_stop && conv.stop_requested()) conv.last_stop = stops[i];
  }
  // The tables done at the stop: those that ran to their end.
  if (conv.last_stop) {
    int32_t whole = 0;
    for (size_t i = 0; i < n; ++i) whole += states[i] == state::done && completed[i] && !stops[i];
    conv.last_stop->tables_done = whole;
  }
  conv.records_in_current_table = 0;
  conv.current_record_index = 0;

  error_handler& handler = error_handler::instance();
  if (board.failure) std::rethrow_exception(board.failure);
  if (board.fatal) {
    set_report_context(handler, board.fatal_table, board.fatal_record);
    handler.handle(*board.fatal, false);
    throw tk_final_exception();
  }
  if (board.user_abort) throw tk_final_exception();
  return n;
}
