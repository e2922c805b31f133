// Benchmarks of Office decryption: pages per second for each kind against the
// rate at which the DAO component reads pages of a plain file, the one-time
// key derivation, and open + full scan of the same table plain, RC4- and
// AES-encrypted (TARVEL_BENCH_ACCDB, see access_crypto.cmake).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_image.h"
#include "access/dao/crypto/office_page_cipher.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"

namespace {

struct model {
  const char* file;
  const char16_t* password;
};
const model kModels[] = {
    {"jackcessencrypt/db2007-oldenc.accdb", u"Test123"},  // RC4, 40-bit
    {"mdbreader/office-agile-4.2.accdb", u"password"},    // RC4, 128-bit
    {"jackcessencrypt/db2007-enc.accdb", u"Test123"},     // agile AES-128, SHA-1
    {"mdbreader/office-agile-4.4.accdb", u"password"},    // agile AES-256, SHA-512
};

std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> model_page0(int index) {
  return read_bytes(std::string(TARVEL_SOURCE_DIR) + "/tests/access/crypto/data/" +
                    kModels[index].file);
}

void BM_DecryptPages(benchmark::State& state) {
  const int index = int(state.range(0));
  const office_encryption e = office_read_encryption(model_page0(index));
  office_page_cipher cipher(e, kModels[index].password);
  std::vector<uint8_t> pages(1024 * kOfficePageSize, 0x5A), plain(pages.size());
  for (auto _ : state) {
    for (uint32_t pg = 0; pg < 1024; ++pg) {
      const size_t at = size_t(pg) * kOfficePageSize;
      cipher.decrypt(pg + 1, pages.data() + at, plain.data() + at, kOfficePageSize);
    }
    benchmark::DoNotOptimize(plain.data());
  }
  state.SetLabel(e.description);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pages.size()));
  state.SetItemsProcessed(int64_t(state.iterations()) * 1024);  // pages
}
BENCHMARK(BM_DecryptPages)->DenseRange(0, 3);

void BM_CheckPassword(benchmark::State& state) {
  const int index = int(state.range(0));
  const office_encryption e = office_read_encryption(model_page0(index));
  for (auto _ : state) office_page_cipher cipher(e, kModels[index].password);
  state.SetLabel(e.description);
}
BENCHMARK(BM_CheckPassword)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The table file: plain (-1) or encrypted with model i, written once to /tmp.
std::string table_file(int index) {
  const char* plain = std::getenv("TARVEL_BENCH_ACCDB");
  if (!plain) return "";
  if (index < 0) return plain;
  const std::string path = "/tmp/bench_access_crypto_" + std::to_string(index) + ".accdb";
  if (std::ifstream(path).good()) return path;
  std::vector<uint8_t> bytes = read_bytes(plain);
  office_encrypt_image(bytes, model_page0(index), kModels[index].password);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

void BM_OpenAndScan(benchmark::State& state) {
  const int index = int(state.range(0));
  const std::string path = table_file(index);
  if (path.empty()) {
    state.SkipWithError("TARVEL_BENCH_ACCDB is not set");
    return;
  }
  const std::u16string password = index < 0 ? u"" : kModels[index].password;
  int64_t rows = 0, bytes = 0;
  for (auto _ : state) {
    std::unique_ptr<jet_file> file = jet_file::open(path, password);
    const jet_object* object = file->find_table(u"Bench");
    if (!object) {
      state.SkipWithError("no table Bench");
      return;
    }
    const jet_table table(*file, object->tdef_page(), object->name);
    jet_cursor cursor(*file, table);
    jet_value v;
    while (cursor.next()) {
      for (size_t i = 0; i < table.columns().size(); ++i) cursor.value(i, v);
      ++rows;
    }
    bytes += int64_t(file->page_count()) * int64_t(file->page_size());
  }
  state.SetLabel(index < 0 ? "plain" : kModels[index].file);
  state.SetItemsProcessed(rows);  // rows
  state.SetBytesProcessed(bytes);
}
// Decryption runs on several threads: count the process's CPU time, not the
// main thread's.
BENCHMARK(BM_OpenAndScan)
    ->DenseRange(-1, 3)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
