// Oracle rows in canonical form, and the dictionary reads beside them.
#include "ORA/ora_canonical_rows.h"

#include "ORA/ora_query_results.h"
#include "UDB/udb_record.h"

ora_canonical_rows::ora_canonical_rows(const std::wstring& table,
                                       const std::vector<std::wstring>& columns,
                                       std::vector<verify_kind> kinds, char decimal_mark)
    : kinds_(std::move(kinds)), decimal_mark_(decimal_mark) {
  std::wstring sql = L"SELECT ";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) sql += L", ";
    const std::wstring name = ora_quoted_name(columns[i]);
    sql += verify_kind_is_number(kinds_[i]) ? L"TO_CHAR(" + name + L")" : name;
  }
  if (columns.empty()) sql += L"1";
  sql += L" FROM " + ora_quoted_name(table);
  results_ = std::make_unique<ora_query_results>(L"", sql);
  results_->initialize(0, sql);
}

ora_canonical_rows::~ora_canonical_rows() = default;

bool ora_canonical_rows::next() {
  if (results_->is_eof()) return false;
  record_ = results_->get_item();
  return record_ != nullptr;
}

void ora_canonical_rows::append(size_t column, std::string& out) const {
  verify_canon_oracle((*record_)[column], kinds_[column], out, decimal_mark_);
}

std::vector<std::vector<std::wstring>> ora_query_texts(const std::wstring& sql) {
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

char ora_decimal_mark() {
  const auto rows = ora_query_texts(L"SELECT TO_CHAR(0.5) FROM dual");
  return ora_decimal_mark_of(rows.empty() || rows[0].empty() ? std::wstring() : rows[0][0]);
}

char ora_decimal_mark_of(const std::wstring& half) {
  // ".5", ",5" or "0.5": the character before the digit 5.
  const size_t five = half.find(L'5');
  if (five == std::wstring::npos || five == 0) return '.';
  const wchar_t mark = half[five - 1];
  if (mark == L'0' || mark > 0x7F) return '.';
  return static_cast<char>(mark);
}

std::wstring ora_quoted_name(const std::wstring& name) {
  std::wstring out(1, L'"');
  for (wchar_t c : name) {
    out += c;
    if (c == L'"') out += c;
  }
  return out + L'"';
}
