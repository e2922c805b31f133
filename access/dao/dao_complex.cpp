// The values of complex columns as row sources (see dao_rows.h): a child
// row per attachment, multi-value entry or memo version, keyed by the
// parent row's primary key.
#include <map>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/dao_rows.h"
#include "access/dao/jet_complex.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"

namespace {

const char16_t* kind_name(jet_complex_kind kind) {
  switch (kind) {
    case jet_complex_kind::attachment:
      return u"attachment";
    case jet_complex_kind::multi_value:
      return u"multi-value";
    case jet_complex_kind::version_history:
      return u"version history";
    case jet_complex_kind::other:
      break;
  }
  return u"complex";
}

const jet_index* primary_index(const jet_table& table) {
  for (const jet_index& index : table.indexes())
    if (index.primary() && !index.columns.empty()) return &index;
  return nullptr;
}

dao_field_info describe(const std::u16string& name, int16_t type, int32_t size) {
  dao_field_info info;
  info.name = name;
  info.type = type;
  info.size = size;
  info.attributes = DAO_VARIABLE_FIELD;
  return info;
}

// A name that none of the fields so far has: the name, else name1, name2...
std::u16string unique_name(const std::vector<dao_field_info>& fields, const std::u16string& name) {
  std::u16string candidate = name;
  for (int n = 1;; ++n) {
    bool taken = false;
    for (const dao_field_info& f : fields) taken |= jet_same_name(f.name, candidate);
    if (!taken) return candidate;
    candidate = name + tk_utf8_to_utf16(std::to_string(n));
  }
}

class complex_source : public dao_row_source {
 public:
  complex_source(std::shared_ptr<jet_file> file, const jet_object& object, jet_table table,
                 jet_complex_column column)
      : file_(std::move(file)), table_(std::move(table)), column_(std::move(column)) {
    const jet_index* pk = primary_index(table_);
    if (pk) {
      for (const jet_index_column& k : pk->columns) {
        key_columns_.push_back(k.column);
        dao_field_info info = dao_describe_column(*file_, object, table_.columns()[k.column]);
        info.attributes &= ~DAO_AUTO_INCR_FIELD;  // a copy of the parent's key
        info.default_value.clear();
        info.required = true;
        fields_.push_back(std::move(info));
      }
    } else {
      fields_.push_back(describe(u"ParentRow", 4, 4));
    }
    fields_.push_back(describe(unique_name(fields_, u"ValueID"), 4, 4));
    fields_.back().required = true;
    const jet_table& flat = *column_.flat;
    auto add = [&](int position, const std::u16string& name) {
      if (position < 0) return;
      dao_field_info info = dao_describe_column(*file_, object, flat.columns()[size_t(position)]);
      info.name = unique_name(fields_, name);
      info.default_value.clear();
      info.required = false;
      info.attributes &= ~DAO_AUTO_INCR_FIELD;
      fields_.push_back(std::move(info));
      values_.push_back(position);
    };
    switch (column_.kind) {
      case jet_complex_kind::attachment:
        add(column_.file_name, u"FileName");
        add(column_.file_type, u"FileType");
        add(column_.file_data, u"FileData");
        add(column_.file_date, u"FileTimeStamp");
        break;
      case jet_complex_kind::multi_value:
        add(column_.value, u"Value");
        break;
      case jet_complex_kind::version_history:
        add(column_.value, u"Value");
        add(column_.modified, u"DateModified");
        break;
      case jet_complex_kind::other:
        for (size_t i = 0; i < flat.columns().size(); ++i)
          if (int(i) != column_.key && int(i) != column_.id) add(int(i), flat.columns()[i].name);
        break;
    }
    read_parents();
    cursor_ = std::make_unique<jet_cursor>(*file_, flat);
  }

  const std::vector<dao_field_info>& fields() const override { return fields_; }
  void rewind() override { cursor_->rewind(); }
  bool next() override {
    jet_value key;
    while (cursor_->next()) {
      cursor_->value(size_t(column_.key), key);
      if (key.is_null()) continue;
      auto found = parents_.find(int32_t(key.i64));
      if (found != parents_.end()) {
        parent_ = &found->second;
        return true;
      }
      // A value whose row is gone (Access removes them with the row).
      tk_trace(2, "complex_source: value of a missing row (key %d) skipped", int(key.i64));
    }
    parent_ = nullptr;
    return false;
  }
  // What the scan of the values lost, and what the scan of the table's
  // rows lost (the values of a row that could not be read are left out).
  std::string loss_report() const override {
    std::string report = cursor_->loss_report();
    if (!parents_loss_.empty())
      report +=
          (report.empty() ? "" : "; ") + tk_utf16_to_utf8(table_.name()) + ": " + parents_loss_;
    if (report.empty()) return report;
    return "the values of " + tk_utf16_to_utf8(table_.name()) + "." +
           tk_utf16_to_utf8(column_.name) + ": " + report;
  }
  void value(size_t field, jet_value& out) const override {
    out.set_null();
    if (!parent_) return;
    const size_t keys = parent_->size();
    if (field < keys) {
      out = (*parent_)[field];
      return;
    }
    if (field == keys) return cursor_->value(size_t(column_.id), out);
    const size_t v = field - keys - 1;
    if (v >= values_.size()) return;
    cursor_->value(size_t(values_[v]), out);
    if (values_[v] == column_.file_data && out.kind == jet_kind::binary) {
      std::vector<uint8_t> file;
      if (jet_decode_attachment(out.bytes, file)) {
        out.bytes.swap(file);
      } else {
        tk_trace(3, "complex_source: attachment data in an unknown layout kept as stored");
      }
    }
  }

 private:
  // The key of every parent row by the value the row keeps in the column.
  void read_parents() {
    jet_cursor cursor(*file_, table_);
    jet_value key;
    uint64_t row = 0;
    while (cursor.next()) {
      ++row;
      cursor.value(column_.column, key);
      if (key.is_null()) continue;
      std::vector<jet_value> values;
      if (key_columns_.empty()) {
        jet_value ordinal;
        ordinal.kind = jet_kind::int32;
        ordinal.i64 = int64_t(row);
        values.push_back(ordinal);
      } else {
        for (uint16_t c : key_columns_) {
          values.emplace_back();
          cursor.value(c, values.back());
        }
      }
      parents_.emplace(int32_t(key.i64), std::move(values));
    }
    parents_loss_ = cursor.loss_report();
  }

  std::shared_ptr<jet_file> file_;
  jet_table table_;
  jet_complex_column column_;
  std::vector<uint16_t> key_columns_;
  std::vector<dao_field_info> fields_;
  std::vector<int> values_;  // flat-table columns of the fields after ValueID
  std::map<int32_t, std::vector<jet_value>> parents_;
  std::string parents_loss_;
  std::unique_ptr<jet_cursor> cursor_;
  const std::vector<jet_value>* parent_ = nullptr;
};

}  // namespace

int16_t dao_complex_type(const jet_complex_column& column) {
  if (column.kind != jet_complex_kind::multi_value) return DAO_TYPE_ATTACHMENT;
  switch (column.flat->columns()[size_t(column.value)].type) {
    case JET_BYTE:
      return DAO_TYPE_COMPLEX_BYTE;
    case JET_INT:
      return DAO_TYPE_COMPLEX_INTEGER;
    case JET_LONG:
      return DAO_TYPE_COMPLEX_LONG;
    case JET_FLOAT:
      return DAO_TYPE_COMPLEX_SINGLE;
    case JET_DOUBLE:
      return DAO_TYPE_COMPLEX_DOUBLE;
    case JET_GUID:
      return DAO_TYPE_COMPLEX_GUID;
    case JET_NUMERIC:
      return DAO_TYPE_COMPLEX_DECIMAL;
    default:
      return DAO_TYPE_COMPLEX_TEXT;
  }
}

std::vector<dao_complex_info> dao_complex_columns(const std::shared_ptr<jet_file>& file,
                                                  const jet_object& object) {
  std::vector<dao_complex_info> out;
  if (object.type != JET_OBJECT_TABLE) return out;
  const jet_table table(*file, object.tdef_page(), object.name);
  bool has_complex = false;
  for (const jet_column& c : table.columns()) has_complex |= c.type == JET_COMPLEX;
  if (!has_complex) return out;
  std::vector<std::u16string> key;
  if (const jet_index* pk = primary_index(table))
    for (const jet_index_column& k : pk->columns) key.push_back(table.columns()[k.column].name);
  // A column whose values cannot be read is listed all the same, so that
  // opening its values reports the loss instead of the values vanishing.
  std::vector<jet_complex_loss> lost;
  const std::vector<jet_complex_column> columns = jet_read_complex_columns(*file, table, &lost);
  for (size_t i = 0; i < table.columns().size(); ++i) {
    for (const jet_complex_column& c : columns)
      if (c.column == i) out.push_back({c.subject, kind_name(c.kind), key});
    for (const jet_complex_loss& l : lost)
      if (l.column == i) out.push_back({l.name, kind_name(jet_complex_kind::other), key});
  }
  return out;
}

std::unique_ptr<dao_row_source> dao_open_complex(const std::shared_ptr<jet_file>& file,
                                                 const jet_object& object,
                                                 const std::u16string& column) {
  if (object.type != JET_OBJECT_TABLE) throw jet_errors::item_not_found();
  jet_table table(*file, object.tdef_page(), object.name);
  std::vector<jet_complex_loss> lost;
  for (jet_complex_column& c : jet_read_complex_columns(*file, table, &lost)) {
    if (!jet_same_name(c.subject, column)) continue;
    return std::make_unique<complex_source>(file, object, std::move(table), std::move(c));
  }
  for (const jet_complex_loss& l : lost)
    if (jet_same_name(l.name, column)) throw jet_failure(JET_ERR_CORRUPT, l.report);
  throw jet_errors::item_not_found();
}
