// Row scanning and value decoding (see jet_cursor.h). Row layout: mdbtools
// HACKING.md "Data Pages" (Jet3 variable offsets are one byte plus a jump
// table; Jet4 offsets are two bytes). Offsets 0x8000 mark deleted rows, 0x4000
// rows moved to another page (the row then holds a 4-byte page/row pointer).
#include "access/dao/jet_cursor.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "TK/tk_text.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"

namespace {

constexpr uint16_t kDeletedRow = 0x8000;
constexpr uint16_t kOverflowRow = 0x4000;
constexpr uint16_t kOffsetMask = 0x1FFF;
constexpr int kMaxOverflowHops = 8;
constexpr size_t kMemoHeader = 12;

std::string page_text(uint32_t pg) {
  return "page " + std::to_string(pg);
}

std::string row_text(uint32_t row, uint32_t pg) {
  return "row " + std::to_string(row) + " of data page " + std::to_string(pg);
}

}  // namespace

void jet_scan_damage::note(std::string what) {
  if (count++ == 0) first = std::move(what);
}

std::string jet_scan_damage::describe() const {
  if (count <= 1) return first;
  return first + ", and " + std::to_string(count - 1) +
         (count == 2 ? " more problem" : " more problems");
}

jet_cursor::jet_cursor(const jet_file& file, const jet_table& table)
    : file_(file), table_(table), fields_(table.columns().size()) {
  rewind();
}

void jet_cursor::rewind() {
  page_index_ = 0;
  next_row_ = 0;
  rows_on_page_ = 0;
  page_loaded_ = false;
  has_row_ = false;
  ordinal_ = 0;
  damage_ = {};
  value_damage_ = {};
  if (!table_.damage().empty()) damage_.note(table_.damage());
}

std::string jet_cursor::loss_report() const {
  const uint64_t stored = table_.stored_row_count();
  jet_scan_damage all = damage_;
  if (!value_damage_.empty()) {
    if (all.empty()) all.first = value_damage_.first;
    all.count += value_damage_.count;
  }
  if (ordinal_ >= stored && all.empty()) return {};
  std::string text = std::to_string(ordinal_) + (ordinal_ == 1 ? " row read" : " rows read");
  if (ordinal_ < stored) text += ", the table's header says " + std::to_string(stored);
  text += "; the file may be damaged";
  if (!all.empty()) text += " (" + all.describe() + ")";
  return text;
}

bool jet_cursor::next() {
  has_row_ = false;
  const size_t rco = file_.header().is_jet3() ? 0x08 : 0x0C;
  const std::vector<uint32_t>& pages = table_.data_pages();
  for (;;) {
    if (!page_loaded_) {
      if (page_index_ >= pages.size()) return false;
      const uint32_t pg = pages[page_index_];
      page_ = file_.page(pg, page_scratch_);
      if (!page_.size) {
        damage_.note("data " + page_text(pg) + " lies past the end of the file");
        ++page_index_;
        continue;
      }
      if (page_.u8(0) != 0x01) {
        damage_.note(page_text(pg) + " of the table is not a data page");
        ++page_index_;
        continue;
      }
      // The usage map may still name a page that went to another table.
      if (page_.u32(4) != table_.tdef_page()) {
        ++page_index_;
        continue;
      }
      rows_on_page_ = page_.u16(rco);
      const size_t fit = (page_.size - rco - 2) / 2;
      if (rows_on_page_ > fit) {
        damage_.note("data " + page_text(pg) + " claims " + std::to_string(rows_on_page_) +
                     " rows, more than it can hold");
        rows_on_page_ = uint32_t(fit);
      }
      next_row_ = 0;
      page_loaded_ = true;
    }
    if (next_row_ >= rows_on_page_) {
      page_loaded_ = false;
      ++page_index_;
      continue;
    }
    if (load_row(page_, pages[page_index_], next_row_++)) {
      has_row_ = true;
      ++ordinal_;
      return true;
    }
  }
}

bool jet_cursor::locate(jet_bytes page, uint32_t row, jet_bytes& out, uint16_t& flags) const {
  const size_t rco = file_.header().is_jet3() ? 0x08 : 0x0C;
  if (row >= page.u16(rco)) return false;
  const uint16_t slot = page.u16(rco + 2 + size_t(row) * 2);
  flags = slot & ~kOffsetMask;
  const size_t start = slot & kOffsetMask;
  const size_t end = row == 0 ? page.size : (page.u16(rco + size_t(row) * 2) & kOffsetMask);
  if (start >= end || end > page.size || start < rco + 2) return false;
  out = page.sub(start, end - start);
  return true;
}

bool jet_cursor::load_row(jet_bytes page, uint32_t page_number, uint32_t row) {
  const size_t rco = file_.header().is_jet3() ? 0x08 : 0x0C;
  if (page.u16(rco + 2 + size_t(row) * 2) & kDeletedRow) return false;
  jet_bytes bytes;
  uint16_t flags = 0;
  if (!locate(page, row, bytes, flags)) {
    damage_.note(row_text(row, page_number) + " points outside its page");
    return false;
  }
  for (int hop = 0; flags & kOverflowRow; ++hop) {
    if (hop == kMaxOverflowHops || bytes.size < 4) {
      damage_.note(row_text(row, page_number) + " has a broken overflow pointer");
      return false;
    }
    const uint32_t pg_row = bytes.u32(0);
    const uint32_t target_page = pg_row >> 8;
    jet_bytes target = file_.page(target_page, overflow_scratch_);
    if (!target.size || target.u8(0) != 0x01) {
      damage_.note(row_text(row, page_number) + " continues on " + page_text(target_page) +
                   (target.size ? ", which is not a data page" : ", past the end of the file"));
      return false;
    }
    if (!locate(target, pg_row & 0xFF, bytes, flags)) {
      damage_.note(row_text(row, page_number) + " continues outside " + page_text(target_page));
      return false;
    }
    flags &= kOverflowRow;  // the target's own deleted mark hides it from the scan only
  }
  row_ = bytes;
  if (crack()) return true;
  damage_.note(row_text(row, page_number) + " cannot be decoded");
  return false;
}

bool jet_cursor::crack() {
  const bool jet3 = file_.header().is_jet3();
  const size_t count_size = jet3 ? 1 : 2;
  const jet_bytes& r = row_;
  const size_t row_cols = jet3 ? r.u8(0) : r.u16(0);
  const size_t mask_size = (row_cols + 7) / 8;
  if (r.size < count_size + mask_size) return false;
  const size_t mask_at = r.size - mask_size;

  size_t row_var_cols = 0;
  var_offsets_.clear();
  if (table_.variable_column_count() > 0) {
    const int64_t last = int64_t(r.size) - 1;
    if (jet3) {
      if (last - int64_t(mask_size) < 0) return false;
      row_var_cols = r.u8(size_t(last) - mask_size);
      size_t jumps = (r.size - 1) / 256;
      const int64_t col_ptr = last - int64_t(mask_size) - int64_t(jumps) - 1;
      if (col_ptr - int64_t(row_var_cols) < 0) return false;
      // A last jump entry may be a dummy (0xFF) when eod is below its 256 mark.
      if (size_t(col_ptr - int64_t(row_var_cols)) / 256 < jumps) --jumps;
      size_t used = 0;
      for (size_t i = 0; i <= row_var_cols; ++i) {
        while (used < jumps && i == r.u8(size_t(last) - mask_size - used - 1)) ++used;
        var_offsets_.push_back(uint32_t(r.u8(size_t(col_ptr - int64_t(i))) + used * 256));
      }
    } else {
      const int64_t count_at = last - int64_t(mask_size) - 1;
      if (count_at < 0) return false;
      row_var_cols = r.u16(size_t(count_at));
      const int64_t lowest = count_at - 2 - int64_t(row_var_cols) * 2;
      if (lowest < int64_t(count_size)) return false;
      for (size_t i = 0; i <= row_var_cols; ++i)
        var_offsets_.push_back(r.u16(size_t(count_at - 2 - int64_t(i) * 2)));
    }
  }

  const std::vector<jet_column>& columns = table_.columns();
  for (size_t k = 0; k < columns.size(); ++k) {
    const jet_column& c = columns[k];
    field& f = fields_[k];
    f = field{};
    const bool in_row = c.number < row_cols;
    const bool not_null = in_row && (r.u8(mask_at + c.number / 8) >> (c.number % 8)) & 1;
    if (c.type == JET_BOOL) {
      f.bit = not_null;
      continue;
    }
    if (!not_null) continue;
    if (c.fixed()) {
      const size_t start = count_size + c.fixed_offset;
      const size_t size = c.stored_size();
      if (size == 0 || !r.has(start, size) || start + size > mask_at) continue;
      f.start = uint32_t(start);
      f.size = uint32_t(size);
      f.present = true;
    } else if (c.var_index < row_var_cols) {
      const size_t start = var_offsets_[c.var_index];
      const size_t end = var_offsets_[c.var_index + 1];
      if (start > end || end > mask_at) continue;
      f.start = uint32_t(start);
      f.size = uint32_t(end - start);
      f.present = true;
    }
  }
  return true;
}

void jet_cursor::value(size_t column, jet_value& out) const {
  out.set_null();
  if (!has_row_ || column >= fields_.size()) return;
  const jet_column& c = table_.columns()[column];
  const field& f = fields_[column];
  // Yes/No columns keep their value in the null mask; a calculated Yes/No
  // result is stored as data like any other result.
  if (c.type == JET_BOOL && !c.calculated()) {
    out.kind = jet_kind::boolean;
    out.i64 = f.bit ? 1 : 0;
    return;
  }
  if (!f.present) return;
  decode(c, row_.sub(f.start, f.size), out);
}

namespace {

// A calculated value is wrapped: its length at offset 16, its bytes from 20.
jet_bytes unwrap_calculated(jet_bytes raw) {
  if (raw.size < 20) return {raw.data, 0};
  return raw.sub(20, std::min<size_t>(raw.u32(16), raw.size - 20));
}

// A calculated Decimal result: total length (16 bits), scale, sign, then the
// magnitude in at most 16 bytes, stored with each 8-byte group (and a
// leading 4-byte group) in reversed byte order.
bool decode_calculated_decimal(jet_bytes data, jet_value& out) {
  if (data.size < 4) return false;
  const uint16_t total = data.u16(0);
  size_t length = (total > 0 ? size_t(total) : data.size - 2);
  length = length >= 2 ? std::min<size_t>((length - 2) / 4 * 4, 16) : 0;
  if (4 + length > data.size) length = (data.size - 4) / 4 * 4;
  uint8_t magnitude[16] = {};
  std::memcpy(magnitude, data.data + 4, length);
  size_t pos = 0;
  if (length % 8 != 0) {
    std::reverse(magnitude, magnitude + 4);
    pos = 4;
  }
  for (; pos + 8 <= length; pos += 8) std::reverse(magnitude + pos, magnitude + pos + 8);
  // Big-endian now: fold into 128 bits.
  unsigned __int128 value = 0;
  for (size_t i = 0; i < length; ++i) value = (value << 8) | magnitude[i];
  out.kind = jet_kind::decimal;
  out.dec_scale = data.u8(2);
  out.dec_negative = data.u8(3) != 0;
  out.dec_overflow = (value >> 96) != 0;
  out.dec_hi = uint32_t(value >> 64);
  out.dec_lo = uint64_t(value);
  return true;
}

// Date/Time Extended: 42 ASCII bytes "DDDDDDDDDDDDDDDDDDD:TTTTTTTTTTTTTTTTTTT:P",
// days since 0001-01-01, 100 ns ticks since midnight, and the precision.
bool decode_ext_date(jet_bytes raw, int64_t& ticks) {
  if (raw.size < 39 || raw.u8(19) != ':') return false;
  int64_t days = 0, time = 0;
  for (size_t i = 0; i < 19; ++i) {
    const uint8_t d = raw.u8(i), t = raw.u8(20 + i);
    if (d < '0' || d > '9' || t < '0' || t > '9') return false;
    if (days > 9999999 || time > 999999999999) return false;  // far beyond 9999-12-31
    days = days * 10 + (d - '0');
    time = time * 10 + (t - '0');
  }
  constexpr int64_t kTicksPerDay = 864000000000;
  constexpr int64_t kMaxDays = 3652059;  // 9999-12-31
  if (days > kMaxDays || time >= kTicksPerDay) return false;
  ticks = days * kTicksPerDay + time;
  return true;
}

}  // namespace

void jet_cursor::decode(const jet_column& c, jet_bytes raw, jet_value& out) const {
  const uint8_t type = c.value_type();
  if (c.calculated()) {
    if (type == JET_MEMO || type == JET_OLE) {
      read_long_value(c, raw, lval_scratch_);
      const jet_bytes data =
          unwrap_calculated(jet_bytes{lval_scratch_.data(), lval_scratch_.size()});
      if (type == JET_OLE) {
        out.kind = jet_kind::binary;
        out.bytes.assign(data.data, data.data + data.size);
      } else {
        out.kind = jet_kind::text;
        file_.decode_text(data, out.text);
      }
      return;
    }
    raw = unwrap_calculated(raw);
    if (type == JET_BOOL) {
      out.kind = jet_kind::boolean;
      out.i64 = raw.size > 0 && raw.u8(0) != 0;
      return;
    }
    if (type == JET_NUMERIC) {
      decode_calculated_decimal(raw, out);
      return;
    }
    if (type != JET_TEXT && raw.size == 0) return;  // a NULL result
  }
  switch (type) {
    case JET_BYTE:
      if (raw.size < 1) return;
      out.kind = jet_kind::byte;
      out.i64 = raw.u8(0);
      return;
    case JET_INT:
      if (raw.size < 2) return;
      out.kind = jet_kind::int16;
      out.i64 = int16_t(raw.u16(0));
      return;
    case JET_LONG:
      if (raw.size < 4) return;
      out.kind = jet_kind::int32;
      out.i64 = int32_t(raw.u32(0));
      return;
    case JET_MONEY:
    case JET_BIGINT:
      if (raw.size < 8) return;
      out.kind = type == JET_MONEY ? jet_kind::currency : jet_kind::int64;
      out.i64 = int64_t(raw.u64(0));
      return;
    case JET_FLOAT:
      if (raw.size < 4) return;
      out.kind = jet_kind::single;
      out.f64 = raw.f32(0);
      return;
    case JET_DOUBLE:
    case JET_DATETIME:
      if (raw.size < 8) return;
      out.kind = type == JET_DOUBLE ? jet_kind::real : jet_kind::date;
      out.f64 = raw.f64(0);
      return;
    case JET_GUID:
      if (raw.size < 16) return;
      out.kind = jet_kind::guid;
      out.bytes.assign(raw.data, raw.data + 16);
      return;
    case JET_NUMERIC: {
      if (raw.size < 17) return;
      // Sign byte, then four little-endian 32-bit words, most significant first.
      out.kind = jet_kind::decimal;
      out.dec_negative = raw.u8(0) & 0x80;
      out.dec_overflow = raw.u32(1) != 0;
      out.dec_hi = raw.u32(5);
      out.dec_lo = (uint64_t(raw.u32(9)) << 32) | raw.u32(13);
      out.dec_scale = c.scale;
      return;
    }
    case JET_TEXT:
      out.kind = jet_kind::text;
      file_.decode_text(raw, out.text);
      return;
    case JET_MEMO:
      read_long_value(c, raw, lval_scratch_);
      out.kind = jet_kind::text;
      file_.decode_text(jet_bytes{lval_scratch_.data(), lval_scratch_.size()}, out.text);
      return;
    case JET_OLE:
      out.kind = jet_kind::binary;
      read_long_value(c, raw, out.bytes);
      return;
    case JET_COMPLEX:
      // The key of the row's values in the column's hidden table.
      if (raw.size < 4) return;
      out.kind = jet_kind::int32;
      out.i64 = int32_t(raw.u32(0));
      return;
    case JET_EXT_DATE: {
      int64_t ticks = 0;
      if (!decode_ext_date(raw, ticks)) {
        // Not the documented layout: keep the stored bytes rather than guess.
        out.kind = jet_kind::binary;
        out.bytes.assign(raw.data, raw.data + raw.size);
        return;
      }
      out.kind = jet_kind::ext_date;
      out.i64 = ticks;
      return;
    }
    default:  // binary and unknown types
      out.kind = jet_kind::binary;
      out.bytes.assign(raw.data, raw.data + raw.size);
      return;
  }
}

void jet_cursor::read_long_value(const jet_column& column, jet_bytes header,
                                 std::vector<uint8_t>& out) const {
  out.clear();
  if (header.size < kMemoHeader) return;
  auto lost = [&](const std::string& why) {
    value_damage_.note("the value of " + tk_utf16_to_utf8(column.name) + " in row " +
                       std::to_string(ordinal_) + " " + why);
  };
  const uint32_t word = header.u32(0);
  // A value cannot be larger than the file that holds it.
  size_t remaining =
      std::min<size_t>(word & 0x3FFFFFFF, size_t(file_.page_count()) * file_.page_size());
  if (word & 0x80000000) {  // stored in the row itself
    const jet_bytes data = header.sub(kMemoHeader, std::min(remaining, header.size - kMemoHeader));
    out.assign(data.data, data.data + data.size);
    return;
  }
  const bool single = word & 0x40000000;
  uint32_t pg_row = header.u32(4);
  std::vector<uint8_t> scratch;
  for (uint32_t hop = 0; remaining > 0; ++hop) {
    const uint32_t pg = pg_row >> 8;
    if (pg_row == 0 || hop == file_.page_count()) {
      lost("is cut short");
      return;
    }
    jet_bytes page = file_.page(pg, scratch);
    if (!page.size) {
      lost("lies on " + page_text(pg) + ", past the end of the file");
      return;
    }
    if (page.u8(0) != 0x01) {
      lost("lies on " + page_text(pg) + ", which is not a data page");
      return;
    }
    jet_bytes row;
    uint16_t flags = 0;
    if (!locate(page, pg_row & 0xFF, row, flags)) {
      lost("points outside " + page_text(pg));
      return;
    }
    jet_bytes data = row;
    if (!single) {  // chained pages: each row starts with the next page/row
      if (row.size < 4) {
        lost("is cut short");
        return;
      }
      pg_row = row.u32(0);
      data = row.sub(4, row.size - 4);
    }
    const size_t take = std::min(remaining, data.size);
    out.insert(out.end(), data.data, data.data + take);
    remaining -= take;
    if (single) return;
  }
}
