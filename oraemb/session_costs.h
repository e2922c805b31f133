// What a session would cost against a real server: the round trips its
// client library would make (each OCI call that goes to the server) and
// the statement parses, hard when a text is new to the server's shared
// pool. An optional simulated latency per round trip
// (TARVEL_ORAEMB_LATENCY_US, microseconds) lets a benchmark show the
// effect of a network.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

namespace oraemb {

class SessionCosts {
 public:
  // The calls that cross the network, each one round trip.
  enum Call {
    Logon,
    Logoff,
    Execute,
    Fetch,
    LobRead,
    LobWrite,
    LobLength,
    Commit,
    Rollback,
    Version,
    kCalls
  };

  SessionCosts();
  // Counts one round trip of `call` and waits the simulated latency.
  void round_trip(Call call);
  // A cursor's parse of `text` (the first execute after a prepare).
  void parse(const std::string& text);
  // Commits and rollbacks of transactions, however asked for.
  void transaction_end(bool committed) { ++(committed ? commits_ : rollbacks_); }
  // Bytes of result rows a cursor holds at once (a streamed query one row,
  // a sorted or grouped one all of them); the session keeps the largest.
  void cursor_rows_held(uint64_t bytes) {
    if (bytes > cursor_bytes_peak_) cursor_bytes_peak_ = bytes;
  }
  uint64_t cursor_bytes_peak() const { return cursor_bytes_peak_; }

  uint64_t round_trips() const;
  uint64_t calls(Call call) const { return calls_[call]; }
  uint64_t parses() const { return parses_; }
  uint64_t hard_parses() const { return hard_parses_; }
  uint64_t commits() const { return commits_; }
  uint64_t rollbacks() const { return rollbacks_; }
  unsigned latency_us() const { return latency_us_; }
  // "round trips N (execute a, fetch b, ...), parses P (hard H)".
  std::string summary() const;

 private:
  std::array<uint64_t, kCalls> calls_{};
  uint64_t parses_ = 0, hard_parses_ = 0, commits_ = 0, rollbacks_ = 0;
  uint64_t cursor_bytes_peak_ = 0;
  unsigned latency_us_ = 0;
  // The shared pool: hashes of the most recently parsed texts, oldest
  // first, so that memory stays bounded however many texts a run sends.
  std::list<size_t> pool_order_;
  std::unordered_map<size_t, std::list<size_t>::iterator> pool_;
};

}  // namespace oraemb
