// Reads long CLOB values through liboraemb.so as the verifier does: a query
// defines a locator, then OCILobRead asks for 16,384 UTF-16 characters at
// rising offsets until a short piece. Each value (mostly ASCII with a
// Cyrillic letter every 97 characters) is written in one LOB write first.
// Prints the seconds of each read. Usage:
// bench_oraemb_lob_read [million characters ...] [path of liboraemb.so]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

OCILobLocator* select_locator(bench_oraemb& db, OCIStmt*& st, const std::string& sql) {
  OCILobLocator* loc = nullptr;
  db.api.OCIDescriptorAlloc(db.env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
  st = db.prepare(sql);
  db.api.OCIDefineByPos(st, nullptr, db.err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
  db.check(db.api.OCIStmtExecute(db.svc, st, db.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), sql);
  return loc;
}

void store(bench_oraemb& db, int id, size_t characters) {
  std::u16string text(characters, u'x');
  for (size_t k = 0; k < text.size(); k += 97) text[k] = u'Ж';
  db.run("INSERT INTO m VALUES (" + std::to_string(id) + ", EMPTY_CLOB())");
  OCIStmt* st = nullptr;
  OCILobLocator* loc =
      select_locator(db, st, "SELECT c FROM m WHERE id = " + std::to_string(id) + " FOR UPDATE");
  ub4 amount = static_cast<ub4>(text.size());
  db.check(db.api.OCILobWrite(db.svc, db.err, loc, &amount, 1, text.data(), amount * 2,
                              OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT),
           "OCILobWrite");
  db.run("COMMIT");
  db.api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  db.api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

// The characters read.
size_t read_all(bench_oraemb& db, int id) {
  OCIStmt* st = nullptr;
  OCILobLocator* loc = select_locator(db, st, "SELECT c FROM m WHERE id = " + std::to_string(id));
  constexpr ub4 kUnits = 16384;
  std::vector<char16_t> piece(kUnits);
  size_t total = 0;
  for (ub4 offset = 1;;) {
    ub4 amount = kUnits;
    const sword rc = db.api.OCILobRead(db.svc, db.err, loc, &amount, offset, piece.data(),
                                       kUnits * 2, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT);
    if (rc == OCI_NO_DATA) break;
    db.check(rc, "OCILobRead");
    total += amount;
    offset += amount;
    if (amount < kUnits) break;
  }
  db.api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  db.api.OCIHandleFree(st, OCI_HTYPE_STMT);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> millions;
  std::string library = TARVEL_BIN "/liboraemb.so";
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg.find('/') != std::string::npos)
      library = arg;
    else
      millions.push_back(std::strtoul(arg.c_str(), nullptr, 10));
  }
  if (millions.empty()) millions = {2, 4, 8, 16};
  bench_oraemb db("oraemb_bench_lob_read", library);
  db.run("CREATE TABLE m (id NUMBER, c CLOB)");
  std::printf("%12s %10s %12s\n", "characters", "seconds", "M chars/s");
  for (size_t k = 0; k < millions.size(); ++k) {
    const size_t characters = millions[k] * 1000000;
    store(db, static_cast<int>(k), characters);
    const auto start = std::chrono::steady_clock::now();
    const size_t got = read_all(db, static_cast<int>(k));
    const double seconds = bench_seconds_since(start);
    if (got != characters) {
      std::fprintf(stderr, "read %zu characters of %zu\n", got, characters);
      return 1;
    }
    std::printf("%12zu %10.3f %12.1f\n", characters, seconds, characters / seconds / 1e6);
  }
  return 0;
}
