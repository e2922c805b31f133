// A typed in-memory source for the Oracle layer's tests: tables of field
// descriptors (types, sizes, NOT NULL, defaults, auto-increment), indexes,
// rows of variant values and relationships, opened through the driver's
// source-engine seam or used directly as schemas and records. Test code only.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_record.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_source_engine.h"

struct src_column {
  std::wstring name;
  VARTYPE vt = VT_BSTR;
  uint32_t size = 50;
  bool not_null = false;
  bool autoinc = false;
  ole_variant def;
  uint32_t extra = 0;
};

// A column: its name, type, size (0 where the type fixes it, or for memo
// and OLE), NOT NULL, default, and extra (a decimal's precision << 8 |
// scale). A counter column is written out as a src_column with autoinc.
inline src_column col(const std::wstring& name, VARTYPE vt, uint32_t size = 0,
                      bool not_null = false, ole_variant def = ole_variant(), uint32_t extra = 0) {
  return src_column{name, vt, size, not_null, false, std::move(def), extra};
}

// A date and time of day.
inline SYSTEMTIME when(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(m);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(mi);
  st.wSecond = static_cast<uint16_t>(s);
  return st;
}

// A timestamp value: counts of 100 ns since 1601-01-01.
inline ole_variant stamp(int64_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_FILETIME;
  v.llVal = value;
  return ole_variant(v);
}

struct src_table {
  std::vector<src_column> columns;
  std::vector<udb_index> indexes;
  std::vector<std::vector<ole_variant>> rows;
  int fail_read_at = -1;  // moving past this row (0-based) raises a source error
};

struct src_setup {
  std::vector<std::pair<std::wstring, src_table>> tables;
  udb_relationships relationships;
  // The recordsets hand their rows over (take_item), as the Access reader
  // does; false keeps them (get_item only), as other sources do.
  bool hands_rows_over = true;
  src_table& add(const std::wstring& name, src_table t) {
    tables.emplace_back(name, std::move(t));
    return tables.back().second;
  }
  src_table& table(const std::wstring& name);
};

// The schema (owning) and the indexes of a table.
std::unique_ptr<udb_schema> make_schema(const src_table& t);
udb_indexes make_indexes(const src_table& t);
// A record of one row, each field named and sized after its column.
std::unique_ptr<udb_record> make_record(const src_table& t, const std::vector<ole_variant>& row);

class src_engine : public udb_source_engine {
 public:
  explicit src_engine(const src_setup& setup) : setup_(setup) {}
  bool set_version_if(int32_t) override { return true; }
  void set_ugl_info(const std::wstring&, const std::wstring&, const std::wstring&) override {}
  void set_anonymous_sys_db() override {}
  std::unique_ptr<udb_database> open_db(const std::wstring& path, int32_t mode,
                                        const std::wstring& password) override;

 private:
  const src_setup& setup_;
};
