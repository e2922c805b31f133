// TDEF parsing (see jet_table.h). Offsets per format, from mdbtools HACKING.md
// and Jackcess JetFormat; the Jet3 entries are the Jet4 ones without the
// leading 4 unknown bytes and with one-byte name lengths.
#include "access/dao/jet_table.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_bytes.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"

namespace {

struct tdef_layout {
  size_t row_count, var_columns, column_count, index_count, real_index_count, usage_map;
  size_t real_index_block_entry;  // after the header, one per physical index
  size_t column_entry;
  size_t col_number, col_var_index, col_flags, col_ext_flags, col_fixed_offset, col_length,
      col_precision, col_scale;
  size_t name_length_size;
  size_t real_index_entry, real_index_columns, real_index_flags;
  size_t logical_index_entry, logical_index_real, logical_index_type;
  size_t header_size;
};

constexpr tdef_layout kJet4 = {16, 43, 45, 47, 51, 55, 12, 25, 5,  7, 15, 16,
                               21, 23, 11, 12, 2,  52, 4,  46, 28, 8, 23, 63};
constexpr tdef_layout kJet3 = {12, 23, 25, 27, 31, 35, 8, 18, 1,  3, 13, 0,
                               14, 16, 9,  10, 1,  39, 0, 38, 20, 4, 19, 43};

// Upper bounds that no real table reaches; they keep a damaged TDEF from
// asking for gigabytes.
constexpr uint32_t kMaxColumns = 4096;
constexpr uint32_t kMaxIndexes = 4096;
constexpr size_t kMaxTdefPages = 4096;

}  // namespace

jet_table::jet_table(const jet_file& file, uint32_t tdef_page, const std::u16string& name)
    : name_(name), tdef_page_(tdef_page) {
  // The definition may continue on further pages (next page at offset 4);
  // each continuation adds its bytes after its 8-byte page header.
  std::vector<uint8_t> tdef;
  std::vector<uint8_t> scratch;
  uint32_t pg = tdef_page;
  std::vector<uint32_t> seen;
  while (pg != 0) {
    if (seen.size() >= kMaxTdefPages || std::find(seen.begin(), seen.end(), pg) != seen.end())
      throw jet_errors::corrupt(file.path(), "table definition pages form a loop");
    seen.push_back(pg);
    jet_bytes page = file.page(pg, scratch);
    if (!page.size || page.u8(0) != 0x02)
      throw jet_errors::corrupt(file.path(), "page " + std::to_string(pg) +
                                                 " is not a table definition of '" +
                                                 tk_utf16_to_utf8(name) + "'");
    if (tdef.empty())
      tdef.assign(page.data, page.data + page.size);
    else
      tdef.insert(tdef.end(), page.data + 8, page.data + page.size);
    pg = page.u32(4);
  }
  parse(file, tdef);
}

void jet_table::parse(const jet_file& file, const std::vector<uint8_t>& bytes) {
  const bool jet3 = file.header().is_jet3();
  const tdef_layout& l = jet3 ? kJet3 : kJet4;
  const jet_bytes t{bytes.data(), bytes.size()};
  auto corrupt = [&](const char* what) {
    return jet_errors::corrupt(
        file.path(), std::string(what) + " in the definition of '" + tk_utf16_to_utf8(name_) + "'");
  };

  row_count_ = t.u32(l.row_count);
  var_columns_ = t.u16(l.var_columns);
  const uint32_t column_count = t.u16(l.column_count);
  const uint32_t index_count = t.u32(l.index_count);
  const uint32_t real_index_count = t.u32(l.real_index_count);
  if (column_count > kMaxColumns || index_count > kMaxIndexes || real_index_count > kMaxIndexes)
    throw corrupt("impossible column or index count");

  size_t pos = l.header_size + size_t(real_index_count) * l.real_index_block_entry;
  std::vector<jet_column> raw(column_count);
  for (jet_column& c : raw) {
    if (!t.has(pos, l.column_entry)) throw corrupt("columns run past the end");
    c.type = t.u8(pos);
    c.number = t.u16(pos + l.col_number);
    c.var_index = t.u16(pos + l.col_var_index);
    c.flags = t.u8(pos + l.col_flags);
    c.ext_flags = jet3 ? 0 : t.u8(pos + l.col_ext_flags);
    c.fixed_offset = t.u16(pos + l.col_fixed_offset);
    c.length = t.u16(pos + l.col_length);
    c.precision = t.u8(pos + l.col_precision);
    c.scale = t.u8(pos + l.col_scale);
    if (c.type == JET_COMPLEX && !jet3) c.complex_id = t.u32(pos + l.col_precision);
    pos += l.column_entry;
  }
  auto read_name = [&](std::u16string& out) {
    size_t length = l.name_length_size == 2 ? t.u16(pos) : t.u8(pos);
    pos += l.name_length_size;
    if (!t.has(pos, length)) throw corrupt("names run past the end");
    file.decode_text(t.sub(pos, length), out);
    pos += length;
  };
  for (jet_column& c : raw) read_name(c.name);

  // Physical indexes: ten (column number, order) pairs and the flags.
  struct real_index {
    std::vector<std::pair<uint16_t, bool>> columns;
    uint8_t flags = 0;
  };
  std::vector<real_index> reals(real_index_count);
  for (real_index& r : reals) {
    if (!t.has(pos, l.real_index_entry)) throw corrupt("indexes run past the end");
    for (int k = 0; k < 10; ++k) {
      const size_t at = pos + l.real_index_columns + size_t(k) * 3;
      const uint16_t number = t.u16(at);
      if (number == 0xFFFF) continue;
      // Order byte: 0x01 ascending, anything else descending.
      r.columns.emplace_back(number, t.u8(at + 2) != 0x01);
    }
    r.flags = t.u8(pos + l.real_index_flags);
    pos += l.real_index_entry;
  }
  // Logical indexes: each points at the physical index holding its columns.
  std::vector<jet_index> logical(index_count);
  std::vector<uint32_t> real_of(index_count);
  for (uint32_t i = 0; i < index_count; ++i) {
    if (!t.has(pos, l.logical_index_entry)) throw corrupt("indexes run past the end");
    real_of[i] = t.u32(pos + l.logical_index_real);
    logical[i].type = t.u8(pos + l.logical_index_type);
    pos += l.logical_index_entry;
  }
  for (jet_index& index : logical) read_name(index.name);

  // Columns in the table's order: by column number (deleted ones leave gaps).
  columns_ = std::move(raw);
  std::stable_sort(columns_.begin(), columns_.end(),
                   [](const jet_column& a, const jet_column& b) { return a.number < b.number; });
  std::unordered_map<uint16_t, uint16_t> position_of_number;
  for (size_t i = 0; i < columns_.size(); ++i)
    position_of_number.emplace(columns_[i].number, uint16_t(i));

  for (uint32_t i = 0; i < index_count; ++i) {
    jet_index& index = logical[i];
    if (real_of[i] >= reals.size()) {
      tk_trace(3, "jet_table: index %s of %s points at a missing entry; skipped",
               tk_utf16_to_utf8(index.name), tk_utf16_to_utf8(name_));
      continue;
    }
    const real_index& r = reals[real_of[i]];
    index.flags = r.flags;
    for (const auto& [number, descending] : r.columns) {
      auto found = position_of_number.find(number);
      if (found == position_of_number.end()) continue;
      index.columns.push_back({found->second, descending});
    }
    indexes_.push_back(std::move(index));
  }

  read_usage_map(file, t.u32(l.usage_map));
  read_result_types(file);
}

void jet_table::read_result_types(const jet_file& file) {
  const jet_object* object = nullptr;
  for (jet_column& c : columns_) {
    if (!c.calculated()) continue;
    if (!object) object = file.find_table(name_);
    if (!object) return;
    const auto result = file.column_property(*object, c.name, "ResultType");
    if (!result) continue;
    char* end = nullptr;
    const long type = std::strtol(result->c_str(), &end, 10);
    if (end != result->c_str() && type > 0 && type < 256 && jet_known_type(uint8_t(type)))
      c.result_type = uint8_t(type);
  }
}

size_t jet_column::stored_size() const {
  switch (type) {
    case JET_BYTE:
      return 1;
    case JET_INT:
      return 2;
    case JET_LONG:
    case JET_FLOAT:
    case JET_COMPLEX:
      return 4;
    case JET_MONEY:
    case JET_DOUBLE:
    case JET_DATETIME:
    case JET_BIGINT:
      return 8;
    case JET_GUID:
      return 16;
    case JET_NUMERIC:
      return 17;  // sign byte and four 32-bit words
    default:
      return length;
  }
}

bool jet_known_type(uint8_t type) {
  return (type >= JET_BOOL && type <= JET_MEMO) || type == JET_GUID || type == JET_NUMERIC ||
         type == JET_COMPLEX || type == JET_BIGINT || type == JET_EXT_DATE;
}

void jet_table::read_usage_map(const jet_file& file, uint32_t pg_row) {
  // The map is a row: page in the high three bytes, row number in the low one.
  std::vector<uint8_t> scratch;
  const uint32_t page_count = file.page_count();
  const uint32_t map_page = pg_row >> 8;
  jet_bytes page = file.page(map_page, scratch);
  const size_t rco = file.header().is_jet3() ? 0x08 : 0x0C;
  const uint32_t row = pg_row & 0xFF;
  auto unreadable = [&](const std::string& why) {
    damage_ = "the table's page map on page " + std::to_string(map_page) + " " + why;
  };
  if (!page.size) return unreadable("lies past the end of the file");
  if (page.u8(0) != 0x01) return unreadable("is not on a data page");
  if (row >= page.u16(rco)) return unreadable("is missing");
  const size_t start = page.u16(rco + 2 + row * 2) & 0x1FFF;
  const size_t end = row == 0 ? page.size : (page.u16(rco + row * 2) & 0x1FFF);
  if (start >= end || end > page.size) return unreadable("points outside its page");
  const jet_bytes map = page.sub(start, end - start);
  // Copy: reading map pages below may reuse the scratch buffer.
  const std::vector<uint8_t> map_copy(map.data, map.data + map.size);
  const jet_bytes m{map_copy.data(), map_copy.size()};

  // Pages the map lists past the end of the file: a file cut short.
  uint64_t beyond = 0, first_beyond = 0;
  auto add_bits = [&](jet_bytes bits, uint64_t first_page) {
    for (size_t byte = 0; byte < bits.size; ++byte) {
      const uint8_t b = bits.data[byte];
      if (!b) continue;
      for (int bit = 0; bit < 8; ++bit) {
        if (!(b & (1 << bit))) continue;
        const uint64_t pg = first_page + byte * 8 + uint64_t(bit);
        if (pg > 0 && pg < page_count) {
          data_pages_.push_back(uint32_t(pg));
        } else if (pg >= page_count) {
          if (beyond++ == 0 || pg < first_beyond) first_beyond = pg;
        }
      }
    }
  };
  if (m.u8(0) == 0) {
    add_bits(m.sub(5, m.size > 5 ? m.size - 5 : 0), m.u32(1));
  } else if (m.u8(0) != 1) {
    damage_ = "the table's page map is of unknown kind " + std::to_string(m.u8(0));
  } else {
    // Indirect map: each 4-byte entry names a page of bits (after 4 header bytes).
    const uint64_t pages_per_map = uint64_t(file.page_size() - 4) * 8;
    for (size_t k = 0; 1 + k * 4 + 4 <= m.size; ++k) {
      const uint32_t bits_page_number = m.u32(1 + k * 4);
      if (bits_page_number == 0) continue;
      std::vector<uint8_t> map_scratch;
      jet_bytes bits_page = file.page(bits_page_number, map_scratch);
      if (!bits_page.size || bits_page.u8(0) != 0x05) {
        damage_ = "page " + std::to_string(bits_page_number) + " of the table's page map " +
                  (bits_page.size ? "is not a page map" : "lies past the end of the file");
        continue;
      }
      add_bits(bits_page.sub(4, bits_page.size - 4), k * pages_per_map);
    }
  }
  if (beyond == 1)
    damage_ = "data page " + std::to_string(first_beyond) + " lies past the end of the file";
  else if (beyond > 1)
    damage_ = std::to_string(beyond) +
              " data pages lie past the end of the file (the first is page " +
              std::to_string(first_beyond) + ")";
  std::sort(data_pages_.begin(), data_pages_.end());
  data_pages_.erase(std::unique(data_pages_.begin(), data_pages_.end()), data_pages_.end());
}
