// Round-trip and parse accounting of a session, and the simulated latency.
#include "oraemb/session_costs.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace oraemb {
namespace {

constexpr size_t kPoolTexts = 4096;

const char* const kCallNames[SessionCosts::kCalls] = {
    "logon",     "logoff",     "execute", "fetch",    "lob read",
    "lob write", "lob length", "commit",  "rollback", "version"};

}  // namespace

SessionCosts::SessionCosts() {
  if (const char* text = std::getenv("TARVEL_ORAEMB_LATENCY_US")) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end != text && value > 0) latency_us_ = static_cast<unsigned>(std::min(value, 10000000L));
  }
}

void SessionCosts::round_trip(Call call) {
  ++calls_[call];
  if (latency_us_) std::this_thread::sleep_for(std::chrono::microseconds(latency_us_));
}

void SessionCosts::parse(const std::string& text) {
  ++parses_;
  size_t key = std::hash<std::string>{}(text);
  auto found = pool_.find(key);
  if (found != pool_.end()) {
    pool_order_.splice(pool_order_.end(), pool_order_, found->second);
    return;
  }
  ++hard_parses_;
  if (pool_.size() >= kPoolTexts) {
    pool_.erase(pool_order_.front());
    pool_order_.pop_front();
  }
  pool_[key] = pool_order_.insert(pool_order_.end(), key);
}

uint64_t SessionCosts::round_trips() const {
  uint64_t total = 0;
  for (uint64_t n : calls_) total += n;
  return total;
}

std::string SessionCosts::summary() const {
  std::string out = "round trips " + std::to_string(round_trips()) + " (";
  bool first = true;
  for (int c = 0; c < kCalls; ++c) {
    if (!calls_[c]) continue;
    out += (first ? "" : ", ") + std::string(kCallNames[c]) + " " + std::to_string(calls_[c]);
    first = false;
  }
  out += "), parses " + std::to_string(parses_) + " (hard " + std::to_string(hard_parses_) + ")";
  out += ", commits " + std::to_string(commits_) + ", rollbacks " + std::to_string(rollbacks_);
  return out;
}

}  // namespace oraemb
