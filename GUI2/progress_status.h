// What the progress page shows, computed from the converter's progress
// counters: the bar position, the status line and the detail line of the
// current table. Plain functions, free of widgets, so that they can be
// checked without a window.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Bar position 0..100: the tables done, plus the share of the current table
// that its records done stand for, each division truncating. 0 without
// tables. Counters out of range (a source that gives more records than it
// announced) never move the bar past 100.
uint32_t progress_position(int32_t tables, int32_t current_table, int32_t records,
                           int32_t current_record);

// "Processing table 'name'", or empty between tables.
std::wstring progress_status_text(const std::wstring& table_name);

// "record 12,345 of 200,000" while a table with records is being copied,
// otherwise empty.
std::wstring progress_record_text(int32_t records, int32_t current_record);

// "Elapsed time: 0:01:05".
std::wstring progress_elapsed_text(std::chrono::seconds elapsed);

// 1234567 -> "1,234,567".
std::wstring progress_group_digits(int64_t value);
