// Array INSERTs into liboraemb.so with the binds the converter's batched
// writer makes for the benchmark table (NUMBER bytes as SQLT_VNU, 7-byte
// DATEs, UTF-16 text, a memo as SQLT_LNG with NULL on every 10th row) into
// a table with a primary key and an AutoNumber trigger and sequence: rows/s
// and the C++ allocations (operator new) per row made during the executes,
// which are the engine's own (the program allocates nothing while one runs).
// Usage: bench_oraemb_converter_binds [rows [path of liboraemb.so]].
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {
std::atomic<long long> g_news{0};
}  // namespace

void* operator new(std::size_t size) {
  g_news.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// CPU seconds of this thread (the engine runs on the caller's thread): a
// figure that other load on the machine does not inflate.
double thread_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr int kBatch = 1000;
constexpr int kNameChars = 50;
constexpr int kNotesChars = 220;  // "note <row> " and up to 199 x

// Oracle's NUMBER bytes with their length byte (SQLT_VNU) of a decimal text
// such as "-123.4500".
void vnu(const std::string& text, unsigned char out[22]) {
  bool negative = !text.empty() && text[0] == '-';
  std::string whole, fraction;
  bool point = false;
  for (char c : text.substr(negative ? 1 : 0)) {
    if (c == '.')
      point = true;
    else
      (point ? fraction : whole) += c;
  }
  if (whole.size() % 2) whole.insert(0, "0");
  if (fraction.size() % 2) fraction += '0';
  std::string digits = whole + fraction;
  int exponent = static_cast<int>(whole.size() / 2) - 1;
  std::vector<int> pairs;
  for (size_t k = 0; k + 1 < digits.size(); k += 2)
    pairs.push_back((digits[k] - '0') * 10 + (digits[k + 1] - '0'));
  while (!pairs.empty() && pairs.front() == 0) {
    pairs.erase(pairs.begin());
    --exponent;
  }
  while (!pairs.empty() && pairs.back() == 0) pairs.pop_back();
  if (pairs.size() > 20) pairs.resize(20);
  if (pairs.empty()) {
    out[0] = 1;
    out[1] = 0x80;
    return;
  }
  size_t n = 0;
  out[++n] = static_cast<unsigned char>(negative ? 62 - exponent : 193 + exponent);
  for (int p : pairs) out[++n] = static_cast<unsigned char>(negative ? 101 - p : p + 1);
  if (negative && pairs.size() < 20) out[++n] = 102;
  out[0] = static_cast<unsigned char>(n);
}

struct Columns {
  std::vector<unsigned char> id, amount, qty, ratio, flag, price;  // 22 bytes per row
  std::vector<char16_t> name, notes;
  std::vector<ub2> name_len, notes_len;
  std::vector<sb2> notes_ind;
  std::vector<unsigned char> created;  // 7 bytes per row
};

void fill(Columns& c, int first, int count) {
  auto number = [](std::vector<unsigned char>& v, int k, const std::string& text) {
    vnu(text, &v[static_cast<size_t>(k) * 22]);
  };
  for (auto* v : {&c.id, &c.amount, &c.qty, &c.ratio, &c.flag, &c.price})
    v->assign(static_cast<size_t>(count) * 22, 0);
  c.name.assign(static_cast<size_t>(count) * kNameChars, 0);
  c.notes.assign(static_cast<size_t>(count) * kNotesChars, 0);
  c.name_len.assign(count, 0);
  c.notes_len.assign(count, 0);
  c.notes_ind.assign(count, 0);
  c.created.assign(static_cast<size_t>(count) * 7, 0);
  char text[64];
  for (int k = 0; k < count; ++k) {
    const int row = first + k;
    number(c.id, k, std::to_string(row + 1));
    std::snprintf(text, sizeof text, "%d.%02d", (row * 7919) % 10000, row % 100);
    number(c.amount, k, text);
    number(c.qty, k, std::to_string(row * 1171 % 1000000000));
    std::snprintf(text, sizeof text, "%.13f", 683.2234717598454 + row % 1000);
    number(c.ratio, k, text);
    number(c.flag, k, row % 2 ? "1" : "0");
    std::snprintf(text, sizeof text, "%s%d.%04d", row % 3 ? "" : "-", row * 31 % 9000000,
                  row % 10000);
    number(c.price, k, text);
    const std::u16string name = bench_u16("name-" + std::to_string(row));
    std::memcpy(&c.name[static_cast<size_t>(k) * kNameChars], name.data(), name.size() * 2);
    c.name_len[k] = static_cast<ub2>(name.size() * 2);
    if (row % 10 == 0) {
      c.notes_ind[k] = -1;
    } else {
      const std::u16string notes =
          bench_u16("note " + std::to_string(row) + " " + std::string(row % 200, 'x'));
      std::memcpy(&c.notes[static_cast<size_t>(k) * kNotesChars], notes.data(), notes.size() * 2);
      c.notes_len[k] = static_cast<ub2>(notes.size() * 2);
    }
    const unsigned char d[7] = {120,
                                static_cast<unsigned char>(100 + row % 20),
                                static_cast<unsigned char>(1 + row % 12),
                                static_cast<unsigned char>(1 + row % 28),
                                static_cast<unsigned char>(1 + row % 24),
                                31,
                                1};
    std::memcpy(&c.created[static_cast<size_t>(k) * 7], d, 7);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  // A second argument names another build of the engine, to compare two.
  bench_oraemb db("oraemb_bench_converter_binds",
                  argc > 2 ? std::string(argv[2]) : std::string(TARVEL_BIN "/liboraemb.so"));
  const oci_functions& api = db.api;
  OCIError* err = db.err;
  db.run(
      "CREATE TABLE \"Bench\" (\"ID\" NUMBER(11,0) PRIMARY KEY, \"Name\" NVARCHAR2(50), "
      "\"Amount\" NUMBER, \"Qty\" NUMBER(11,0), \"Ratio\" NUMBER, \"Created\" DATE, \"Flag\" "
      "NUMBER(3,0), \"Price\" NUMBER, \"Notes\" CLOB)");
  db.run("CREATE SEQUENCE \"Bench_0\"");
  db.run(
      "CREATE OR REPLACE TRIGGER \"Bench_1\" BEFORE INSERT ON \"Bench\" FOR EACH ROW WHEN "
      "(new.\"ID\" IS NULL) BEGIN select \"Bench_0\".nextval into :new.\"ID\" from dual; END;");
  OCIStmt* st = db.prepare(
      "INSERT INTO \"Bench\" (\"ID\", \"Name\", \"Amount\", \"Qty\", \"Ratio\", \"Created\", "
      "\"Flag\", \"Price\", \"Notes\") VALUES (:1, :2, :3, :4, :5, :6, :7, :8, :9)");
  Columns c;
  double seconds = 0, cpu = 0;
  long long news = 0;
  for (int first = 0; first < rows; first += kBatch) {
    const int n = std::min(kBatch, rows - first);
    fill(c, first, n);
    const long long news_before = g_news.load();
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = thread_cpu_seconds();
    // Bound again for every array, at the buffers' addresses, as the
    // converter does.
    auto number = [&](ub4 pos, std::vector<unsigned char>& v) {
      api.OCIBindByPos(st, nullptr, err, pos, v.data(), 22, SQLT_VNU, nullptr, nullptr, nullptr, 0,
                       nullptr, 0);
    };
    number(1, c.id);
    api.OCIBindByPos(st, nullptr, err, 2, c.name.data(), kNameChars * 2, SQLT_CHR, nullptr,
                     c.name_len.data(), nullptr, 0, nullptr, 0);
    number(3, c.amount);
    number(4, c.qty);
    number(5, c.ratio);
    api.OCIBindByPos(st, nullptr, err, 6, c.created.data(), 7, SQLT_DAT, nullptr, nullptr, nullptr,
                     0, nullptr, 0);
    number(7, c.flag);
    number(8, c.price);
    api.OCIBindByPos(st, nullptr, err, 9, c.notes.data(), kNotesChars * 2, SQLT_LNG,
                     c.notes_ind.data(), c.notes_len.data(), nullptr, 0, nullptr, 0);
    db.check(api.OCIStmtExecute(db.svc, st, err, static_cast<ub4>(n), 0, nullptr, nullptr,
                                OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS),
             "array");
    cpu += thread_cpu_seconds() - cpu_start;
    seconds += bench_seconds_since(start);
    news += g_news.load() - news_before;
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  std::printf(
      "%d rows in arrays of %d: %.3f s CPU (%.0f rows per CPU second), %.3f s wall, %.1f "
      "allocations (operator new) per row\n",
      rows, kBatch, cpu, rows / cpu, seconds, static_cast<double>(news) / rows);
  return 0;
}
