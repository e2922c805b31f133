// Access and Oracle rows in canonical form.
#include "verify/verify_sides.h"

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_util.h"
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
  oracle_rows(const std::wstring& table, const std::vector<verify_column>& columns,
              char decimal_mark) {
    std::vector<std::wstring> names;
    std::vector<verify_kind> kinds;
    for (const verify_column& c : columns) {
      names.push_back(c.oracle_name);
      kinds.push_back(c.kind);
    }
    rows_ = std::make_unique<ora_canonical_rows>(table, names, std::move(kinds), decimal_mark);
  }
  bool next(verify_row& row) override {
    if (!rows_->next()) return false;
    row.clear();
    for (size_t i = 0; i < rows_->size(); ++i) {
      rows_->append(i, row.bytes);
      row.end_column();
    }
    return true;
  }

 private:
  std::unique_ptr<ora_canonical_rows> rows_;
};

}  // namespace

std::unique_ptr<verify_rows> verify_access_rows(std::unique_ptr<udb_recordset> recordset,
                                                std::vector<verify_column> columns) {
  return std::make_unique<access_rows>(std::move(recordset), std::move(columns));
}

std::unique_ptr<verify_rows> verify_oracle_rows(const std::wstring& table,
                                                std::vector<verify_column> columns,
                                                char decimal_mark) {
  return std::make_unique<oracle_rows>(table, columns, decimal_mark);
}

std::wstring verify_quote_text(const std::wstring& text) {
  return L"'" + ora_doubled_quotes(text) + L"'";
}
