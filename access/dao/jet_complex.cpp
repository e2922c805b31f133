// Complex columns (see jet_complex.h).
#include "access/dao/jet_complex.h"

#include <zlib.h>

#include <cstring>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"

namespace {

struct complex_row {
  int32_t complex_id = 0;
  uint32_t flat_page = 0;
  uint32_t type_page = 0;
};

const jet_object* object_at(const jet_file& file, uint32_t page) {
  for (const jet_object& object : file.objects())
    if (object.type == JET_OBJECT_TABLE && object.tdef_page() == page) return &object;
  return nullptr;
}

int column_named(const jet_table& table, const char16_t* name) {
  for (size_t i = 0; i < table.columns().size(); ++i)
    if (jet_same_name(table.columns()[i].name, name)) return int(i);
  return -1;
}

// The rows of MSysComplexColumns; `loss` says what the scan lost.
std::vector<complex_row> read_complex_rows(const jet_file& file, std::string& loss) {
  std::vector<complex_row> rows;
  const jet_object* object = file.find_table(u"MSysComplexColumns");
  if (!object || object->type != JET_OBJECT_TABLE) {
    loss = "MSysComplexColumns is missing; the file may be damaged";
    return rows;
  }
  const jet_table table(file, object->tdef_page(), object->name);
  const int id = column_named(table, u"ComplexID");
  const int flat = column_named(table, u"FlatTableID");
  const int type = column_named(table, u"ComplexTypeObjectID");
  if (id < 0 || flat < 0 || type < 0) return rows;
  jet_cursor cursor(file, table);
  jet_value v;
  while (cursor.next()) {
    complex_row r;
    cursor.value(size_t(id), v);
    r.complex_id = int32_t(v.i64);
    cursor.value(size_t(flat), v);
    r.flat_page = uint32_t(v.i64) & 0x00FFFFFF;
    cursor.value(size_t(type), v);
    r.type_page = uint32_t(v.i64) & 0x00FFFFFF;
    rows.push_back(r);
  }
  const std::string report = cursor.loss_report();
  if (!report.empty()) loss = "MSysComplexColumns: " + report;
  return rows;
}

// Sorts the flat table's columns into value columns (those of the type
// table) and the two others, and recognises the kind by the value columns.
bool classify(jet_complex_column& c, const jet_table& type_table) {
  const jet_table& flat = *c.flat;
  std::vector<int> values;
  for (size_t i = 0; i < flat.columns().size(); ++i) {
    const jet_column& column = flat.columns()[i];
    if (column_named(type_table, column.name.c_str()) >= 0) {
      values.push_back(int(i));
    } else if (column.flags & 0x04) {
      c.id = int(i);
    } else if (column.type == JET_LONG) {
      c.key = int(i);
    }
  }
  if (c.key < 0 || c.id < 0 || values.empty()) return false;
  auto type_of = [&](int i) { return flat.columns()[size_t(i)].type; };
  int memo = 0, text = 0, ole = 0, date = 0;
  for (int i : values) {
    const uint8_t t = type_of(i);
    memo += t == JET_MEMO;
    text += t == JET_TEXT;
    ole += t == JET_OLE;
    date += t == JET_DATETIME;
  }
  const uint8_t single = values.size() == 1 ? type_of(values[0]) : 0;
  if (single != 0 && single != JET_MEMO && single != JET_OLE && single != JET_COMPLEX &&
      jet_known_type(single)) {
    c.kind = jet_complex_kind::multi_value;
    c.value = values[0];
  } else if (ole >= 1 && text >= 2 && date >= 1) {
    c.kind = jet_complex_kind::attachment;
    for (int i : values) {
      const jet_column& column = flat.columns()[size_t(i)];
      if (column.type == JET_OLE) c.file_data = i;
      if (column.type == JET_DATETIME) c.file_date = i;
      if (column.type != JET_TEXT) continue;
      if (jet_same_name(column.name, u"FileName"))
        c.file_name = i;
      else if (jet_same_name(column.name, u"FileType"))
        c.file_type = i;
    }
    // Names other than the usual ones: the first text is the name.
    for (int i : values) {
      if (type_of(i) != JET_TEXT || i == c.file_name || i == c.file_type) continue;
      if (c.file_name < 0)
        c.file_name = i;
      else if (c.file_type < 0)
        c.file_type = i;
    }
  } else if (memo >= 1 && date >= 1) {
    c.kind = jet_complex_kind::version_history;
    for (int i : values) {
      if (type_of(i) == JET_MEMO && c.value < 0) c.value = i;
      if (type_of(i) == JET_DATETIME && c.modified < 0) c.modified = i;
    }
    // The versioned memo has the name of the value column.
    c.subject = flat.columns()[size_t(c.value)].name;
  } else {
    c.kind = jet_complex_kind::other;
  }
  return true;
}

}  // namespace

std::vector<jet_complex_column> jet_read_complex_columns(const jet_file& file,
                                                         const jet_table& table,
                                                         std::vector<jet_complex_loss>* lost) {
  std::vector<jet_complex_column> out;
  std::vector<complex_row> rows;
  std::string catalogue_loss;
  bool rows_read = false;
  for (size_t i = 0; i < table.columns().size(); ++i) {
    const jet_column& column = table.columns()[i];
    if (column.type != JET_COMPLEX) continue;
    auto lose = [&](const std::string& why) {
      const std::string report = "the values of " + tk_utf16_to_utf8(table.name()) + "." +
                                 tk_utf16_to_utf8(column.name) + " cannot be read: " + why;
      tk_trace(3, "jet_complex: %s", report.c_str());
      if (lost) lost->push_back({i, column.name, report});
    };
    try {
      if (!rows_read) {
        rows = read_complex_rows(file, catalogue_loss);
        rows_read = true;
      }
      const complex_row* row = nullptr;
      for (const complex_row& r : rows)
        if (uint32_t(r.complex_id) == column.complex_id) row = &r;
      const jet_object* flat = row ? object_at(file, row->flat_page) : nullptr;
      const jet_object* type = row ? object_at(file, row->type_page) : nullptr;
      if (!flat || !type) {
        lose(!row && !catalogue_loss.empty()
                 ? catalogue_loss
                 : "the hidden tables of its values are missing (complex id " +
                       std::to_string(column.complex_id) + "); the file may be damaged");
        continue;
      }
      jet_complex_column c;
      c.column = i;
      c.name = column.name;
      c.subject = column.name;
      c.flat = std::make_shared<jet_table>(file, flat->tdef_page(), flat->name);
      const jet_table type_table(file, type->tdef_page(), type->name);
      if (!classify(c, type_table)) {
        lose(
            "the hidden table of its values has a layout this reader does not know; the file "
            "may be damaged");
        continue;
      }
      out.push_back(std::move(c));
    } catch (const jet_failure& e) {
      lose(e.what());
    }
  }
  return out;
}

bool jet_decode_attachment(const std::vector<uint8_t>& stored, std::vector<uint8_t>& file) {
  file.clear();
  if (stored.size() < 8) return false;
  auto u32 = [](const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  };
  const uint32_t kind = u32(stored.data());
  const uint32_t length = u32(stored.data() + 4);
  // An attachment cannot be larger than Access's 2 GB file limit.
  if (length < 4 || length > 0x7FFFFFFFu) return false;
  std::vector<uint8_t> content;
  if (kind == 0) {
    content.assign(stored.begin() + 8, stored.end());
  } else if (kind == 1) {
    // The deflated content inflates to exactly `length` bytes; a stored
    // length beyond 64 times the input is a damaged value, not a file.
    if (length / 64 > stored.size()) return false;
    content.resize(length);
    uLongf produced = length;
    const int rc =
        uncompress(content.data(), &produced, stored.data() + 8, uLong(stored.size() - 8));
    if (rc != Z_OK) return false;
    content.resize(produced);
  } else {
    return false;
  }
  if (content.size() < length || length < 4) return false;
  const uint32_t header = u32(content.data());
  if (header < 4 || header > length) return false;
  file.assign(content.begin() + header, content.begin() + length);
  return true;
}
