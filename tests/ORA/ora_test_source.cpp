// The typed in-memory source of the Oracle layer's tests.
#include "ora_test_source.h"

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"

src_table& src_setup::table(const std::wstring& name) {
  for (auto& [n, t] : tables)
    if (n == name) return t;
  TK_FAIL();
}

std::unique_ptr<udb_schema> make_schema(const src_table& t) {
  auto schema = std::make_unique<udb_schema>(true);
  for (const src_column& c : t.columns)
    schema->add(
        std::make_unique<t_ftd>(c.size, c.name, c.vt, c.not_null, c.autoinc, c.def, c.extra));
  return schema;
}

udb_indexes make_indexes(const src_table& t) {
  udb_indexes indexes;
  for (const udb_index& i : t.indexes) indexes.push_back(i);
  return indexes;
}

std::unique_ptr<udb_record> make_record(const src_table& t, const std::vector<ole_variant>& row) {
  auto record = std::make_unique<udb_record>();
  for (size_t i = 0; i < row.size(); ++i) {
    const src_column& c = t.columns.at(i);
    record->add(std::make_unique<udb_field>(c.name, c.size, row[i], c.not_null, c.autoinc));
  }
  return record;
}

namespace {

class src_recordset : public udb_recordset {
 public:
  src_recordset(const std::wstring& name, const src_table& t, bool hands_rows_over)
      : udb_recordset(name, true), table_(t), hands_rows_over_(hands_rows_over) {
    for (const src_column& c : t.columns)
      schema().add(
          std::make_unique<t_ftd>(c.size, c.name, c.vt, c.not_null, c.autoinc, c.def, c.extra));
    for (const udb_index& i : t.indexes) add_index(i);
    set_records_count(static_cast<uint32_t>(t.rows.size()));
  }
  void append_record(const udb_record&) override { TK_FAIL(); }
  udb_record* get_item() override {
    record_ = make_record(table_, table_.rows.at(pos_));
    return record_.get();
  }
  std::unique_ptr<udb_record> take_item() override {
    return hands_rows_over_ ? make_record(table_, table_.rows.at(pos_)) : nullptr;
  }
  bool is_eof() override { return pos_ >= table_.rows.size(); }
  void next() override {
    if (static_cast<int>(pos_) == table_.fail_read_at)
      throw tk_exception("Cannot read the record after record " + std::to_string(pos_ + 1),
                         0x10000 + 3049, 0);
    ++pos_;
  }
  void move_first() override { pos_ = 0; }

 private:
  const src_table& table_;
  const bool hands_rows_over_;
  size_t pos_ = 0;
  std::unique_ptr<udb_record> record_;
};

class src_database : public udb_database {
 public:
  src_database(const std::wstring& path, const src_setup& setup)
      : udb_database(path, 1, false), setup_(setup) {
    for (const auto& t : setup.tables) tables_.push_back(t.first);
    for (const udb_relationship& r : setup.relationships) relationships_.push_back(r);
  }
  std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&,
                                              const udb_indexes&) override {
    TK_FAIL();
  }
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t) override {
    for (const auto& [n, t] : setup_.tables)
      if (tk_wcs_equal_nocase(n, name))
        return std::make_unique<src_recordset>(n, t, setup_.hands_rows_over);
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&,
                                           int32_t) override {
    return nullptr;
  }
  bool test_query(const std::wstring&) override { return false; }

 private:
  const src_setup& setup_;
};

}  // namespace

std::unique_ptr<udb_database> src_engine::open_db(const std::wstring& path, int32_t,
                                                  const std::wstring&) {
  return std::make_unique<src_database>(path, setup_);
}
