// Test support for the table creation and writer tests: a session with the
// run's index-name validator, catalogue and data reads through SQL (result
// sets of the product's reader, and a second OCI session of its own that
// sees only committed data), and the typed test source.
#pragma once

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_table.h"
#include "TK/tk_text.h"
#include "ora_test_source.h"
#include "ora_test_support.h"

using sql_rows = std::vector<std::vector<std::wstring>>;

// A value as a test compares it: unconstrained numbers in their shortest
// form (they read as doubles).
inline std::wstring readable(const udb_field& f) {
  if (f.get_variant().vt != VT_R8) return f.to_wstring();
  wchar_t out[64];
  std::swprintf(out, 64, L"%.15g", f.to_double());
  return out;
}

// Every row of a statement, as texts ("<null>" for NULL).
inline sql_rows select_rows(const std::wstring& sql) {
  sql_rows out;
  ora_query_results rows(L"", sql);
  rows.initialize(0, sql);
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    std::vector<std::wstring> texts;
    for (size_t i = 0; i < row->size(); ++i) {
      const udb_field& f = (*row)[i];
      texts.push_back(f.get_variant().vt == VT_EMPTY ? L"<null>" : readable(f));
    }
    out.push_back(std::move(texts));
  }
  return out;
}

// The first column of the first row, "<none>" without a row.
inline std::wstring select_one(const std::wstring& sql) {
  const sql_rows rows = select_rows(sql);
  return rows.empty() ? L"<none>" : rows[0][0];
}

// A second session on the same database through OCI directly: it sees what
// the product's session has committed, nothing else.
class other_session {
 public:
  other_session() {
    const oci_functions& oci = oci_api();
    oci.OCIEnvCreate(&env_, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    void* h = nullptr;
    oci.OCIHandleAlloc(env_, &h, OCI_HTYPE_ERROR, 0, nullptr);
    err_ = static_cast<OCIError*>(h);
    const std::u16string u = u"scott", p = u"tiger", d = u"//localhost:1521/ORCL";
    EXPECT_EQ(
        oci.OCILogon(env_, err_, &svc_, reinterpret_cast<const OraText*>(u.c_str()), 10,
                     reinterpret_cast<const OraText*>(p.c_str()), 10,
                     reinterpret_cast<const OraText*>(d.c_str()), static_cast<ub4>(d.size() * 2)),
        OCI_SUCCESS);
  }
  ~other_session() {
    const oci_functions& oci = oci_api();
    if (svc_) oci.OCILogoff(svc_, err_);
    oci.OCIHandleFree(err_, OCI_HTYPE_ERROR);
    oci.OCIHandleFree(env_, OCI_HTYPE_ENV);
  }
  // A count query's number; -1 on an error.
  int32_t count(const std::wstring& sql) {
    const oci_functions& oci = oci_api();
    void* h = nullptr;
    oci.OCIHandleAlloc(env_, &h, OCI_HTYPE_STMT, 0, nullptr);
    OCIStmt* stmt = static_cast<OCIStmt*>(h);
    const std::u16string text = tk_wide_to_utf16(sql);
    int32_t value = -1;
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    if (oci.OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>(text.c_str()),
                           static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT) != 0 ||
        oci.OCIDefineByPos(stmt, &def, err_, 1, &value, sizeof value, SQLT_INT, &ind, nullptr,
                           nullptr, OCI_DEFAULT) != 0 ||
        oci.OCIStmtExecute(svc_, stmt, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT) != 0)
      value = -1;
    oci.OCIHandleFree(stmt, OCI_HTYPE_STMT);
    return value;
  }

 private:
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
};

// A session with the run's index-name validator, and a typed source.
class ora_writer_test : public ora_session_test {
 protected:
  void SetUp() override {
    ora_session_test::SetUp();
    index_names_ = std::make_unique<ora_in_validator>();
  }
  void TearDown() override {
    index_names_.reset();
    ora_session_test::TearDown();
  }

  // Creates `name` from the source table and answers the opened table.
  std::unique_ptr<ora_table> create(const std::wstring& name, const src_table& t) {
    const auto schema = make_schema(t);
    auto created = db_->create_table(name, *schema, make_indexes(t));
    return std::unique_ptr<ora_table>(static_cast<ora_table*>(created.release()));
  }
  std::unique_ptr<ora_table> open(const std::wstring& name) {
    auto opened = db_->get_table(name, 8);
    return std::unique_ptr<ora_table>(static_cast<ora_table*>(opened.release()));
  }
  void append(ora_table& table, const src_table& t, const std::vector<ole_variant>& row) {
    table.append_record(*make_record(t, row));
  }

  std::unique_ptr<ora_in_validator> index_names_;
};

inline ole_variant text(const std::wstring& s) {
  return ole_variant(s);
}
inline ole_variant null_value() {
  VARIANT v{};
  v.vt = VT_NULL;
  return ole_variant(v);
}
