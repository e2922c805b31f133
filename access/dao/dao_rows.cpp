// Field descriptions, value conversion and the row sources (see dao_rows.h).
#include "access/dao/dao_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_complex.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"
#include "access/dao/sql/sql_engine.h"

namespace {

// 100 ns intervals from 0001-01-01 to 1601-01-01, FILETIME's origin.
constexpr int64_t kTicksFrom0001To1601 = 504911232000000000;

const char16_t kRelationshipsQuery[] =
    u"select szrelationship, szcolumn, szobject, szreferencedobject, szreferencedcolumn, grbit "
    u"from msysrelationships order by szrelationship";

char16_t lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool space(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Lower-cased, runs of blanks as one space, no blanks at the ends, no final ';'.
std::u16string normalized(const std::u16string& sql) {
  std::u16string out;
  for (char16_t c : sql) {
    if (space(c)) {
      if (!out.empty() && out.back() != u' ') out.push_back(u' ');
    } else {
      out.push_back(lower(c));
    }
  }
  while (!out.empty() && (out.back() == u' ' || out.back() == u';')) out.pop_back();
  return out;
}

// "SELECT * FROM [name]" or "SELECT * FROM name": the table name, else empty.
std::u16string select_star_table(const std::u16string& sql) {
  std::u16string s = sql;
  while (!s.empty() && (space(s.back()) || s.back() == u';')) s.pop_back();
  size_t i = 0;
  auto skip = [&] {
    while (i < s.size() && space(s[i])) ++i;
  };
  auto word = [&](const char16_t* w) {
    skip();
    const size_t n = std::char_traits<char16_t>::length(w);
    if (i + n > s.size()) return false;
    for (size_t k = 0; k < n; ++k)
      if (lower(s[i + k]) != w[k]) return false;
    i += n;
    return true;
  };
  if (!word(u"select") || !word(u"*") || !word(u"from")) return {};
  skip();
  if (i >= s.size()) return {};
  std::u16string name;
  if (s[i] == u'[') {
    const size_t close = s.find(u']', i + 1);
    if (close == std::u16string::npos || close + 1 != s.size()) return {};
    name = s.substr(i + 1, close - i - 1);
  } else {
    name = s.substr(i);
    for (char16_t c : name)
      if (space(c) || c == u'[' || c == u']' || c == u',') return {};
  }
  return name;
}

// DAO's Size of a column: bytes of its value as DAO gives it, characters for
// a text, 0 for a memo or OLE object.
size_t fixed_dao_size(const jet_column& c, bool jet3) {
  switch (c.type) {
    case JET_BOOL:
      return 1;
    case JET_NUMERIC:
      return 16;  // the DECIMAL, not the 17 bytes stored
    case JET_TEXT:
      return jet3 ? c.length : c.length / 2u;
    case JET_OLE:
    case JET_MEMO:
      return 0;
    default:
      return c.stored_size();
  }
}

class table_source : public dao_row_source {
 public:
  table_source(std::shared_ptr<jet_file> file, const jet_object& object)
      : file_(std::move(file)),
        table_(*file_, object.tdef_page(), object.name),
        cursor_(*file_, table_) {
    fields_ = dao_describe_table(*file_, object, table_, &columns_, &complex_);
    counts_.resize(complex_.size());
  }
  const std::vector<dao_field_info>& fields() const override { return fields_; }
  void rewind() override { cursor_.rewind(); }
  bool next() override { return cursor_.next(); }
  void value(size_t field, jet_value& out) const override {
    if (field >= columns_.size()) return out.set_null();
    const size_t column = columns_[field];
    cursor_.value(column, out);
    if (table_.columns()[column].type != JET_COMPLEX || out.is_null()) return;
    // The row holds the key of its values: give their number. Values lost
    // to a damaged file (hidden tables that cannot be read, or a scan of
    // them that lost rows) leave the number unknown: NULL, never 0; the
    // values' own reading reports the damage.
    const int32_t key = int32_t(out.i64);
    out.set_null();
    for (size_t k = 0; k < complex_.size(); ++k) {
      if (complex_[k].column != column) continue;
      if (!counts_[k]) counts_[k] = std::make_unique<value_counts>(count(complex_[k]));
      if (!counts_[k]->complete) return;
      auto found = counts_[k]->of_key.find(key);
      out.kind = jet_kind::int32;
      out.i64 = found == counts_[k]->of_key.end() ? 0 : found->second;
    }
  }
  std::string loss_report() const override { return cursor_.loss_report(); }

 private:
  // The number of values of each key, complete only when no row of the
  // values was lost.
  struct value_counts {
    std::map<int32_t, int32_t> of_key;
    bool complete = true;
  };
  value_counts count(const jet_complex_column& c) const {
    value_counts counts;
    try {
      jet_cursor cursor(*file_, *c.flat);
      jet_value key;
      while (cursor.next()) {
        cursor.value(size_t(c.key), key);
        if (!key.is_null()) ++counts.of_key[int32_t(key.i64)];
      }
      counts.complete = cursor.loss_report().empty();
    } catch (const jet_failure&) {
      counts.complete = false;
    }
    return counts;
  }

  std::shared_ptr<jet_file> file_;
  jet_table table_;
  jet_cursor cursor_;
  std::vector<dao_field_info> fields_;
  std::vector<size_t> columns_;  // field -> column of the table
  std::vector<jet_complex_column> complex_;
  mutable std::vector<std::unique_ptr<value_counts>> counts_;
};

// Rows read once into memory: the relationships query orders them.
class rows_source : public dao_row_source {
 public:
  rows_source(std::vector<dao_field_info> fields, std::vector<std::vector<jet_value>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  const std::vector<dao_field_info>& fields() const override { return fields_; }
  void rewind() override { at_ = 0; }
  bool next() override {
    if (at_ >= rows_.size()) return false;
    ++at_;
    return true;
  }
  void value(size_t field, jet_value& out) const override {
    if (at_ == 0 || field >= fields_.size()) return out.set_null();
    out = rows_[at_ - 1][field];
  }

 private:
  std::vector<dao_field_info> fields_;
  std::vector<std::vector<jet_value>> rows_;
  size_t at_ = 0;
};

std::unique_ptr<dao_row_source> open_relationships(const std::shared_ptr<jet_file>& file) {
  const jet_object* object = file->find_table(u"MSysRelationships");
  if (!object || object->type != JET_OBJECT_TABLE)
    throw jet_errors::no_read_permission("MSysRelationships");
  const jet_table table(*file, object->tdef_page(), object->name);
  static const char16_t* const kColumns[] = {
      u"szRelationship",     u"szColumn", u"szObject", u"szReferencedObject",
      u"szReferencedColumn", u"grbit",    u"icolumn"};
  int position[7];
  for (int k = 0; k < 7; ++k) {
    position[k] = -1;
    for (size_t i = 0; i < table.columns().size(); ++i)
      if (jet_same_name(table.columns()[i].name, kColumns[k])) position[k] = int(i);
    if (position[k] < 0) throw jet_errors::no_read_permission("MSysRelationships");
  }
  std::vector<dao_field_info> fields;
  for (int k = 0; k < 6; ++k)
    fields.push_back(dao_describe_column(*file, *object, table.columns()[size_t(position[k])]));

  struct row {
    std::vector<jet_value> values;
    int64_t icolumn;
  };
  std::vector<row> rows;
  jet_cursor cursor(*file, table);
  jet_value icolumn;
  while (cursor.next()) {
    row r;
    r.values.resize(6);
    for (int k = 0; k < 6; ++k) cursor.value(size_t(position[k]), r.values[size_t(k)]);
    cursor.value(size_t(position[6]), icolumn);
    r.icolumn = icolumn.is_null() ? 0 : icolumn.i64;
    rows.push_back(std::move(r));
  }
  // Relationships read in part would leave foreign keys out without a word.
  const std::string loss = cursor.loss_report();
  if (!loss.empty()) throw jet_failure(JET_ERR_CORRUPT, "MSysRelationships: " + loss);
  // ORDER BY szRelationship (case-insensitive); the columns of one key in
  // their key order, so multi-column keys pair up column by column.
  std::stable_sort(rows.begin(), rows.end(), [](const row& a, const row& b) {
    const std::u16string& x = a.values[0].text;
    const std::u16string& y = b.values[0].text;
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
      const char16_t cx = lower(x[i]), cy = lower(y[i]);
      if (cx != cy) return cx < cy;
    }
    if (x.size() != y.size()) return x.size() < y.size();
    return a.icolumn < b.icolumn;
  });
  std::vector<std::vector<jet_value>> values;
  for (row& r : rows) values.push_back(std::move(r.values));
  return std::make_unique<rows_source>(std::move(fields), std::move(values));
}

}  // namespace

int16_t dao_type_of(const jet_column& c) {
  switch (c.type) {
    case JET_BOOL:
      return DAO_TYPE_BOOLEAN;
    case JET_BYTE:
      return DAO_TYPE_BYTE;
    case JET_INT:
      return DAO_TYPE_INTEGER;
    case JET_LONG:
      return DAO_TYPE_LONG;
    case JET_MONEY:
      return DAO_TYPE_CURRENCY;
    case JET_FLOAT:
      return DAO_TYPE_SINGLE;
    case JET_DOUBLE:
      return DAO_TYPE_DOUBLE;
    case JET_DATETIME:
      return DAO_TYPE_DATE;
    case JET_BINARY:
      return DAO_TYPE_BINARY;
    case JET_TEXT:
      return DAO_TYPE_TEXT;
    case JET_OLE:
      return DAO_TYPE_LONG_BINARY;
    case JET_MEMO:
      return DAO_TYPE_MEMO;
    case JET_GUID:
      return DAO_TYPE_GUID;
    case JET_BIGINT:
      return DAO_TYPE_BIG_INT;
    case JET_NUMERIC:
      return DAO_TYPE_DECIMAL;
    case JET_COMPLEX:
      return DAO_TYPE_ATTACHMENT;  // the table's source refines it by kind
    case JET_EXT_DATE:
      return DAO_TYPE_DATE_TIME_EXTENDED;
    default:
      return int16_t(DAO_TYPE_UNKNOWN | c.type);
  }
}

dao_field_info dao_describe_column(const jet_file& file, const jet_object& object,
                                   const jet_column& c) {
  dao_field_info info;
  info.name = c.name;
  // A calculated column is described by its result type.
  jet_column as_stored = c;
  as_stored.type = c.value_type();
  info.type = dao_type_of(as_stored);
  info.size = int32_t(fixed_dao_size(as_stored, file.header().is_jet3()));
  info.attributes = (c.fixed() ? DAO_FIXED_FIELD : DAO_VARIABLE_FIELD) | DAO_UPDATABLE_FIELD;
  // Complex columns carry flag byte 0x07, which includes the AutoNumber bit.
  if ((c.flags & 0x04) && c.type != JET_COMPLEX) info.attributes |= DAO_AUTO_INCR_FIELD;
  if (c.type == JET_MEMO && (c.flags & 0x80)) info.attributes |= DAO_HYPERLINK_FIELD;
  if (auto required = file.column_property(object, c.name, "Required"))
    info.required = *required == "yes";
  if (auto def = file.column_property(object, c.name, "DefaultValue"))
    info.default_value = tk_utf8_to_utf16(*def);
  return info;
}

std::vector<dao_field_info> dao_describe_table(const jet_file& file, const jet_object& object,
                                               const jet_table& table, std::vector<size_t>* columns,
                                               std::vector<jet_complex_column>* complex) {
  std::vector<jet_complex_column> found;
  bool has_complex = false;
  for (const jet_column& c : table.columns()) has_complex |= c.type == JET_COMPLEX;
  if (has_complex) found = jet_read_complex_columns(file, table);
  std::vector<dao_field_info> fields;
  for (size_t i = 0; i < table.columns().size(); ++i) {
    const jet_column& c = table.columns()[i];
    dao_field_info info = dao_describe_column(file, object, c);
    if (c.type == JET_COMPLEX) {
      const jet_complex_column* kind = nullptr;
      for (const jet_complex_column& k : found)
        if (k.column == i) kind = &k;
      // A version history belongs to its memo column, which holds the
      // current text; the history column itself is no field of the table.
      if (kind && kind->kind == jet_complex_kind::version_history) continue;
      info.type = kind ? dao_complex_type(*kind) : int16_t(DAO_TYPE_ATTACHMENT);
    }
    fields.push_back(std::move(info));
    if (columns) columns->push_back(i);
  }
  if (complex) *complex = std::move(found);
  return fields;
}

int32_t dao_table_attributes(const jet_object& object) {
  int32_t attributes = int32_t(object.flags & 0x80000002u);
  if (object.flags & 0x8) attributes |= DAO_HIDDEN_OBJECT;
  if (object.type == JET_OBJECT_LINKED_TABLE) attributes |= DAO_ATTACHED_TABLE;
  if (object.type == JET_OBJECT_ODBC_LINK) attributes |= DAO_ATTACHED_ODBC;
  return attributes;
}

HRESULT dao_value_to_variant(const jet_value& value, VARIANT* out) {
  VariantInit(out);
  switch (value.kind) {
    case jet_kind::null:
      out->vt = VT_NULL;
      return S_OK;
    case jet_kind::boolean:
      out->vt = VT_BOOL;
      out->boolVal = value.i64 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case jet_kind::byte:
      out->vt = VT_UI1;
      out->bVal = uint8_t(value.i64);
      return S_OK;
    case jet_kind::int16:
      out->vt = VT_I2;
      out->iVal = int16_t(value.i64);
      return S_OK;
    case jet_kind::int32:
      out->vt = VT_I4;
      out->lVal = int32_t(value.i64);
      return S_OK;
    case jet_kind::int64:
      out->vt = VT_I8;
      out->llVal = value.i64;
      return S_OK;
    case jet_kind::currency:
      out->vt = VT_CY;
      out->cyVal.int64 = value.i64;
      return S_OK;
    case jet_kind::single:
      out->vt = VT_R4;
      out->fltVal = float(value.f64);
      return S_OK;
    case jet_kind::real:
      out->vt = VT_R8;
      out->dblVal = value.f64;
      return S_OK;
    case jet_kind::date:
      out->vt = VT_DATE;
      out->date = value.f64;
      return S_OK;
    case jet_kind::text:
      out->bstrVal = SysAllocStringLen(value.text.data(), uint32_t(value.text.size()));
      if (!out->bstrVal && !value.text.empty()) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      return S_OK;
    case jet_kind::binary:
    case jet_kind::guid: {
      SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, uint32_t(value.bytes.size()));
      if (!array) return E_OUTOFMEMORY;
      if (!value.bytes.empty()) {
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        std::memcpy(data, value.bytes.data(), value.bytes.size());
        SafeArrayUnaccessData(array);
      }
      out->vt = VT_ARRAY | VT_UI1;
      out->parray = array;
      return S_OK;
    }
    case jet_kind::ext_date:
      out->vt = VT_FILETIME;
      out->llVal = value.i64 - kTicksFrom0001To1601;
      return S_OK;
    case jet_kind::decimal:
      if (value.dec_overflow || value.dec_scale > DECIMAL_MAX_SCALE) {
        // Beyond DECIMAL: only damaged files get here; give the nearest double.
        double magnitude = std::ldexp(double(value.dec_hi), 64) + double(value.dec_lo);
        out->vt = VT_R8;
        out->dblVal =
            (value.dec_negative ? -magnitude : magnitude) / std::pow(10.0, double(value.dec_scale));
        return S_OK;
      }
      out->decVal.scale = value.dec_scale;
      out->decVal.sign = value.dec_negative ? DECIMAL_NEG : 0;
      out->decVal.Hi32 = value.dec_hi;
      out->decVal.Mid32 = uint32_t(value.dec_lo >> 32);
      out->decVal.Lo32 = uint32_t(value.dec_lo);
      out->vt = VT_DECIMAL;
      return S_OK;
  }
  return E_UNEXPECTED;
}

dao_query_plan dao_plan_query(const jet_file& file, const std::u16string& sql) {
  if (normalized(sql) == kRelationshipsQuery) return {dao_query_plan::kind::relationships, {}, {}};
  const std::u16string name = select_star_table(sql);
  if (!name.empty()) {
    // A table is read directly; a stored query of that name goes to the engine.
    if (const jet_object* object = file.find_table(name))
      return {dao_query_plan::kind::table, object->name, {}};
  }
  return {dao_query_plan::kind::sql, {}, sql_plan_query(file, sql)};
}

std::unique_ptr<dao_row_source> dao_open_table(const std::shared_ptr<jet_file>& file,
                                               const jet_object& object) {
  if (object.type == JET_OBJECT_LINKED_TABLE)
    throw jet_errors::file_not_found(tk_utf16_to_utf8(object.database));
  if (object.type == JET_OBJECT_ODBC_LINK)
    throw jet_errors::odbc_failed(tk_utf16_to_utf8(object.connect));
  return std::make_unique<table_source>(file, object);
}

std::unique_ptr<dao_row_source> dao_open_query(const std::shared_ptr<jet_file>& file,
                                               const dao_query_plan& plan) {
  if (plan.what == dao_query_plan::kind::relationships) return open_relationships(file);
  if (plan.what == dao_query_plan::kind::sql) return sql_open_query(file, plan.sql);
  const jet_object* object = file->find_table(plan.table);
  if (!object) throw jet_errors::input_not_found(tk_utf16_to_utf8(plan.table));
  return dao_open_table(file, *object);
}
