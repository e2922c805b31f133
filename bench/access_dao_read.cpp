// Benchmark: the DAO component reading every row and every value of one
// table through Recordset / Fields / Field.Value (VARIANTs, as the dao_*
// classes will), against `mdb-export` of the same table in the same run.
// Prints rows per second of both and their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_dao.h"
#include "bench/bench_support.h"

namespace {

// Rows read, or -1 on a DAO failure.
long read_all(const std::string& path, const std::u16string& table, long* values) {
  const bench_query q = bench_open_query(path, u"SELECT * FROM [" + table + u"]");
  if (!q.rows) return -1;
  DAORecordset* rs = q.rows.get();
  DAOFields* f = nullptr;
  rs->get_Fields(&f);
  auto fields = dao_ref<DAOFields>::adopt(f);
  int16_t count = 0;
  fields->get_Count(&count);
  long rows = 0;
  VARIANT_BOOL eof = VARIANT_TRUE;
  for (; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext(), ++rows) {
    for (int16_t i = 0; i < count; ++i) {
      VARIANT index = bench_missing();
      index.vt = VT_I2;
      index.iVal = i;
      DAOField* field = nullptr;
      fields->get_Item(index, &field);
      VARIANT value = bench_missing();
      if (SUCCEEDED(field->get_Value(&value))) ++*values;
      VariantClear(&value);
      field->Release();
    }
  }
  return rows;
}

// s as one word of the shell, whatever quotes it holds.
std::string shell_quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [TABLE]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  const std::string table = argc > 2 ? argv[2] : "Bench";

  long values = 0;
  auto start = std::chrono::steady_clock::now();
  const long rows = read_all(path, tk_utf8_to_utf16(table), &values);
  const double dao_s = bench_seconds_since(start);
  if (rows < 0) {
    std::fprintf(stderr, "DAO read failed\n");
    return 1;
  }

  const std::string command =
      "mdb-export " + shell_quoted(path) + " " + shell_quoted(table) + " > /dev/null";
  start = std::chrono::steady_clock::now();
  const int rc = std::system(command.c_str());
  const double export_s = bench_seconds_since(start);

  std::printf("DAO component: %ld rows, %ld values in %.3f s = %.0f rows/s\n", rows, values, dao_s,
              rows / dao_s);
  if (rc == 0) {
    std::printf("mdb-export:    %ld rows in %.3f s = %.0f rows/s\n", rows, export_s,
                rows / export_s);
    std::printf("ratio: %.1fx\n", export_s / dao_s);
  } else {
    std::printf("mdb-export failed (exit %d)\n", rc);
  }
  return 0;
}
