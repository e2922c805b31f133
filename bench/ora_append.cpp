// Times the table writer's per-record path against the embedded engine:
// append_record of 10-column rows (literals, ROWID, no LOB), of rows with a
// 10 KB non-Latin memo (INSERT, then the locator select and the CLOB write),
// and the bare committed INSERT with RETURNING ROWID of the same text, so
// that what the writer adds to the statement Oracle must run shows apart.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_table.h"
#include "UDB/udb_record.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

std::unique_ptr<udb_schema> schema(bool memo) {
  auto s = std::make_unique<udb_schema>(true);
  s->add(std::make_unique<t_ftd>(0, L"ID", VT_I4, true, false, ole_variant(), 0));
  for (int i = 1; i < 9; ++i)
    s->add(std::make_unique<t_ftd>(30, L"C" + std::to_wstring(i), i % 2 ? VT_BSTR : VT_R8, false,
                                   false, ole_variant(), 0));
  s->add(std::make_unique<t_ftd>(memo ? 0 : 30, L"M", VT_BSTR, false, false, ole_variant(), 0));
  return s;
}

std::unique_ptr<udb_record> record(int id, const std::wstring& memo) {
  auto r = std::make_unique<udb_record>();
  r->add(std::make_unique<udb_field>(L"ID", 0, ole_variant(id), true, false));
  for (int i = 1; i < 9; ++i) {
    const ole_variant v = i % 2 ? ole_variant(std::wstring(L"text value ") + std::to_wstring(id))
                                : ole_variant(id * 1.5);
    r->add(std::make_unique<udb_field>(L"C" + std::to_wstring(i), 30, v, false, false));
  }
  r->add(std::make_unique<udb_field>(L"M", 0, ole_variant(memo), false, false));
  return r;
}

void fill(ora_database& db, const std::wstring& name, bool memo, int rows) {
  udb_indexes indexes;
  indexes.push_back(udb_index{L"PK_" + name, true, true, {L"ID"}});
  auto table = db.create_table(name, *schema(memo), indexes);
  std::wstring text;
  while (text.size() < 5000) text += L"Ωμέγα Жёлтый 日本語 ";  // ~10 KB of UTF-16
  const auto start = clock_type::now();
  for (int i = 0; i < rows; ++i) table->append_record(*record(i, memo ? text : L"short"));
  const double s = seconds_since(start);
  std::printf("append_record %-14s %6d rows  %7.3f s  %8.0f rows/s  %6.1f us/row\n",
              memo ? "(10 KB memo)" : "(no LOB)", rows, s, rows / s, s * 1e6 / rows);
}

void bare(ora_database& db, int rows) {
  db.query(
      L"CREATE TABLE \"BARE\" (\"ID\" NUMBER(11,0), \"C1\" NVARCHAR2(30) , \"C2\" NUMBER, "
      L"\"C3\" NVARCHAR2(30) , \"C4\" NUMBER, \"C5\" NVARCHAR2(30) , \"C6\" NUMBER, \"C7\" "
      L"NVARCHAR2(30) , \"C8\" NUMBER, \"M\" NVARCHAR2(30) )");
  db.query(L"ALTER TABLE \"BARE\" ADD CONSTRAINT \"PK_BARE\" PRIMARY KEY (\"ID\")");
  ora_get_rowid insert;
  const auto start = clock_type::now();
  for (int i = 0; i < rows; ++i) {
    const std::wstring n = std::to_wstring(i);
    std::wstring sql = L"INSERT /*+ APPEND */ INTO \"BARE\" VALUES(" + n;
    for (int c = 1; c < 9; ++c)
      sql += c % 2 ? L", 'text value " + n + L"'" : L", " + std::to_wstring(i * 1.5);
    insert.do_insert(sql + L", 'short'");
  }
  const double s = seconds_since(start);
  std::printf("bare INSERT   %-14s %6d rows  %7.3f s  %8.0f rows/s  %6.1f us/row\n", "(no LOB)",
              rows, s, rows / s, s * 1e6 / rows);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;
  char dir[] = "/tmp/tarvel-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  setenv("TARVEL_OCI_LIB", (std::string(TARVEL_BIN) + "/liboraemb.so").c_str(), 1);
  setenv("TARVEL_ORAEMB_DIR", dir, 1);
  {
    ora_engine engine;
    auto db = engine.open_db(L"//localhost:1521/BENCH", L"scott", L"tiger");
    ora_in_validator names;
    bare(*db, rows);
    fill(*db, L"PLAIN", false, rows);
    fill(*db, L"MEMO", true, rows / 5);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
