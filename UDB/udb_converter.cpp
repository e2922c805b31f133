// Mode, progress names and the generic profile sections of the converter.
#include "UDB/udb_converter.h"

#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"

void udb_converter::set_mode(int32_t mode) {
  tk_trace(1, "udb_converter::set_mode(%d)", mode);
  mode_ = mode;
}

std::wstring udb_converter::current_table_name() const {
  std::lock_guard<std::mutex> lock(names_lock_);
  return current_table_name_;
}

void udb_converter::set_current_table_name(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(names_lock_);
  current_table_name_ = name;
}

std::wstring udb_converter::current_destination_name() const {
  std::lock_guard<std::mutex> lock(names_lock_);
  return current_destination_name_;
}

void udb_converter::set_current_destination_name(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(names_lock_);
  current_destination_name_ = name;
}

void udb_converter::set_paused(bool paused) {
  {
    std::lock_guard<std::mutex> lock(pause_lock_);
    paused_.store(paused);
  }
  pause_lifted_.notify_all();
}

void udb_converter::wait_while_paused() const {
  if (!paused_.load()) return;
  std::unique_lock<std::mutex> lock(pause_lock_);
  pause_lifted_.wait(lock, [this] { return !paused_.load(); });
}

bool udb_converter::store_profile(udb_profile& profile) const {
  tk_trace(2, "udb_converter::store_profile");
  for (const auto& [name, text] : available_queries) {
    tk_wtrace(1, L"Available Query: (%s,%s)", name, text);
    profile.set(udb_profile::kAvailableQueries, name, text);
  }
  for (const auto& [name, text] : queries) {
    tk_wtrace(1, L"Selected Query: (%s,%s)", name, text);
    profile.set(udb_profile::kSelectedTables, name, text);
  }
  const std::wstring g = udb_profile::kGenericSettings;
  profile.set(g, L"src", source_name());
  profile.set(g, L"dest", destination_name());
  profile.set(g, L"skip indexes", skip_indexes ? L"1" : L"0");
  profile.set(g, L"only definitions", only_definitions ? L"1" : L"0");
  profile.set(g, L"mode", std::wstring(1, static_cast<wchar_t>(L'0' + mode_)));
  // Written only when set, so that a profile without views reads as before.
  if (views) profile.set(g, L"views", L"1");
  // Likewise the number of jobs, only when it is not the default.
  if (jobs != 1) profile.set(g, L"jobs", std::to_wstring(jobs));
  return true;
}

bool udb_converter::load_profile(const udb_profile& profile) {
  tk_trace(1, "udb_converter::load_profile");
  if (const auto* tables = profile.find_section(udb_profile::kSelectedTables)) {
    for (const auto& [name, text] : *tables) {
      queries.emplace(name, text);
      if (text.empty()) {
        tk_wtrace(1, L"Push back table '%s'", name);
        selected_tables.push_back(name);
      }
    }
  }
  if (const auto* avail = profile.find_section(udb_profile::kAvailableQueries))
    for (const auto& [name, text] : *avail) available_queries.emplace(name, text);

  const std::wstring g = udb_profile::kGenericSettings;
  if (auto v = profile.get(g, L"src"); !v.empty()) set_source_name(v);
  if (auto v = profile.get(g, L"dest"); !v.empty()) set_destination_name(v);
  if (auto v = profile.get(g, L"mode"); v.size() == 1) mode_ = static_cast<int32_t>(v[0] - L'0');
  if (auto v = profile.get(g, L"only definitions"); !v.empty()) only_definitions = v != L"0";
  if (auto v = profile.get(g, L"skip indexes"); !v.empty()) skip_indexes = v != L"0";
  if (auto v = profile.get(g, L"views"); !v.empty()) views = v != L"0";
  // A number of jobs out of range, or no number, leaves the setting as it is.
  if (auto v = profile.get(g, L"jobs"); !v.empty() && v.size() <= 2) {
    int32_t n = 0;
    bool digits = true;
    for (wchar_t c : v) {
      digits = digits && c >= L'0' && c <= L'9';
      n = n * 10 + (c - L'0');
    }
    if (digits && n >= 1 && n <= kMaxJobs) jobs = n;
  }
  return true;
}
