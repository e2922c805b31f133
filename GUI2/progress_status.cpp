// The progress page's position formula and texts.
#include "GUI2/progress_status.h"

#include <algorithm>
#include <cwchar>

uint32_t progress_position(int32_t tables, int32_t current_table, int32_t records,
                           int32_t current_record) {
  if (tables <= 0) return 0;
  // 64-bit, so that a record index of tens of millions times 100 does not
  // wrap around.
  const uint64_t n = static_cast<uint64_t>(tables);
  const uint64_t table = static_cast<uint64_t>(std::max(current_table, 0));
  const uint64_t rows = static_cast<uint64_t>(std::max(records, 0));
  const uint64_t row = static_cast<uint64_t>(std::max(current_record, 0));
  uint64_t position = table * 100 / n;
  if (rows > 0) position += row * 100 / rows / n;
  return static_cast<uint32_t>(std::min<uint64_t>(position, 100));
}

std::wstring progress_status_text(const std::wstring& table_name) {
  if (table_name.empty()) return {};
  return L"Processing table '" + table_name + L"'";
}

std::wstring progress_group_digits(int64_t value) {
  const bool negative = value < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  const std::wstring digits = std::to_wstring(magnitude);
  std::wstring out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i != 0 && (n - i) % 3 == 0) out += L',';
    out += digits[i];
  }
  return negative ? L"-" + out : out;
}

std::wstring progress_record_text(int32_t records, int32_t current_record) {
  if (records <= 0) return {};
  return L"record " + progress_group_digits(std::max(current_record, 0)) + L" of " +
         progress_group_digits(records);
}

std::wstring progress_elapsed_text(std::chrono::seconds elapsed) {
  const long long total = std::max<long long>(elapsed.count(), 0);
  wchar_t text[64];
  std::swprintf(text, 64, L"Elapsed time: %lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                total % 60);
  return text;
}
