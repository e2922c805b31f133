// Access and Oracle rows in canonical form.
#include "verify/verify_sides.h"

#include "ORA/ora_query_results.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

namespace {

class access_rows : public verify_rows {
 public:
  access_rows(std::unique_ptr<udb_recordset> recordset, std::vector<verify_column> columns)
      : recordset_(std::move(recordset)), columns_(std::move(columns)) {
    recordset_->move_first();
  }
  bool next(verify_row& row) override {
    if (started_) recordset_->next();
    started_ = true;
    if (recordset_->is_eof()) return false;
    const udb_record* record = recordset_->get_item();
    if (record == nullptr) return false;
    row.clear();
    for (const verify_column& c : columns_) {
      verify_canon_access((*record)[c.access_position], c.kind, row.bytes);
      row.end_column();
    }
    return true;
  }

 private:
  std::unique_ptr<udb_recordset> recordset_;
  std::vector<verify_column> columns_;
  bool started_ = false;
};

class oracle_rows : public verify_rows {
 public:
  oracle_rows(const std::wstring& table, std::vector<verify_column> columns, char decimal_mark)
      : columns_(std::move(columns)), decimal_mark_(decimal_mark) {
    std::wstring sql = L"SELECT ";
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (i > 0) sql += L", ";
      const std::wstring name = verify_quote_name(columns_[i].oracle_name);
      sql += verify_kind_is_number(columns_[i].kind) ? L"TO_CHAR(" + name + L")" : name;
    }
    if (columns_.empty()) sql += L"1";
    sql += L" FROM " + verify_quote_name(table);
    results_ = std::make_unique<ora_query_results>(L"", sql);
    results_->initialize(0, sql);
  }
  bool next(verify_row& row) override {
    if (results_->is_eof()) return false;
    const udb_record* record = results_->get_item();
    if (record == nullptr) return false;
    row.clear();
    for (size_t i = 0; i < columns_.size(); ++i) {
      verify_canon_oracle((*record)[i], columns_[i].kind, row.bytes, decimal_mark_);
      row.end_column();
    }
    return true;
  }

 private:
  std::vector<verify_column> columns_;
  char decimal_mark_;
  std::unique_ptr<ora_query_results> results_;
};

std::wstring quoted(const std::wstring& text, wchar_t quote) {
  std::wstring out(1, quote);
  for (wchar_t c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

}  // namespace

std::unique_ptr<verify_rows> verify_access_rows(std::unique_ptr<udb_recordset> recordset,
                                                std::vector<verify_column> columns) {
  return std::make_unique<access_rows>(std::move(recordset), std::move(columns));
}

std::unique_ptr<verify_rows> verify_oracle_rows(const std::wstring& table,
                                                std::vector<verify_column> columns,
                                                char decimal_mark) {
  return std::make_unique<oracle_rows>(table, std::move(columns), decimal_mark);
}

char verify_oracle_decimal_mark() {
  const auto rows = verify_oracle_query(L"SELECT TO_CHAR(0.5) FROM dual");
  return verify_decimal_mark_of(rows.empty() || rows[0].empty() ? std::wstring() : rows[0][0]);
}

char verify_decimal_mark_of(const std::wstring& half) {
  // ".5", ",5" or "0.5": the character before the digit 5.
  const size_t five = half.find(L'5');
  if (five == std::wstring::npos || five == 0) return '.';
  const wchar_t mark = half[five - 1];
  if (mark == L'0' || mark > 0x7F) return '.';
  return static_cast<char>(mark);
}

std::wstring verify_quote_name(const std::wstring& name) {
  return quoted(name, L'"');
}
std::wstring verify_quote_text(const std::wstring& text) {
  return quoted(text, L'\'');
}

std::vector<std::vector<std::wstring>> verify_oracle_query(const std::wstring& sql) {
  std::vector<std::vector<std::wstring>> out;
  ora_query_results rows(L"", sql);
  rows.initialize(0, sql);
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    std::vector<std::wstring> values;
    for (size_t i = 0; i < row->size(); ++i) {
      const VARTYPE vt = (*row)[i].get_variant().vt;
      values.push_back(vt == VT_NULL || vt == VT_EMPTY ? L"" : (*row)[i].to_wstring());
    }
    out.push_back(std::move(values));
  }
  return out;
}
