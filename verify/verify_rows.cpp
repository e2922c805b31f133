// Row hashes, table digests and the second pass that locates differing rows.
#include "verify/verify_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "TK/tk_exception.h"
#include "UDB/verify_canonical.h"

namespace {

uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

// One row of one side as the second pass keeps it.
struct entry {
  std::string key;
  uint64_t row_hash = 0;
  std::vector<uint64_t> columns;
  std::string shown;  // the key (or the first values) for messages
};

entry make_entry(const verify_row& row, const verify_locate_options& options) {
  entry e;
  e.row_hash = verify_row_hash(row, &e.columns);
  std::string shown;
  if (options.key_columns.empty()) {
    e.key.assign(reinterpret_cast<const char*>(&e.row_hash), sizeof e.row_hash);
    for (size_t i = 0; i < row.size() && i < 3; ++i) {
      if (i > 0) shown += ", ";
      shown += options.column_names.at(i) + "=" + verify_canon_display(row.column(i));
    }
    if (row.size() > 3) shown += ", ...";
    e.shown = "(" + shown + ")";
  } else {
    for (size_t k : options.key_columns) {
      const std::string_view value = row.column(k);
      e.key.append(value);
      if (!shown.empty()) shown += ", ";
      shown += options.column_names.at(k) + "=" + verify_canon_display(value);
    }
    e.shown = shown;
  }
  return e;
}

// Temporary files of entries, one per part; removed when closed.
class spill_file {
 public:
  spill_file() : file_(std::tmpfile()) {
    if (!file_)
      throw tk_exception(std::string("Cannot create a temporary file for the comparison"),
                         TK_LEVEL_RUN);
  }
  ~spill_file() { std::fclose(file_); }
  spill_file(const spill_file&) = delete;
  spill_file& operator=(const spill_file&) = delete;

  void write(const entry& e) {
    put_string(e.key);
    put(&e.row_hash, sizeof e.row_hash);
    const auto n = static_cast<uint32_t>(e.columns.size());
    put(&n, sizeof n);
    put(e.columns.data(), n * sizeof(uint64_t));
    put_string(e.shown);
  }
  void rewind() {
    if (std::fflush(file_) != 0) fail();
    std::rewind(file_);
  }
  bool read(entry& e) {
    if (!get_string(e.key)) return false;
    uint32_t n = 0;
    if (!get(&e.row_hash, sizeof e.row_hash) || !get(&n, sizeof n)) fail();
    e.columns.resize(n);
    if (!get(e.columns.data(), n * sizeof(uint64_t)) || !get_string(e.shown)) fail();
    return true;
  }

 private:
  [[noreturn]] static void fail() {
    throw tk_exception(std::string("Cannot write or read a temporary file of the comparison"),
                       TK_LEVEL_RUN);
  }
  void put(const void* data, size_t n) {
    if (n != 0 && std::fwrite(data, 1, n, file_) != n) fail();
  }
  void put_string(const std::string& s) {
    const auto n = static_cast<uint32_t>(s.size());
    put(&n, sizeof n);
    put(s.data(), n);
  }
  bool get(void* data, size_t n) { return n == 0 || std::fread(data, 1, n, file_) == n; }
  bool get_string(std::string& s) {
    uint32_t n = 0;
    if (std::fread(&n, 1, sizeof n, file_) != sizeof n) return false;
    s.resize(n);
    if (!get(s.data(), n)) fail();
    return true;
  }

  std::FILE* file_;
};

// Compares one part: the Access entries held in memory, the Oracle entries
// streamed past them.
class part_matcher {
 public:
  part_matcher(const verify_locate_options& options, verify_row_differences& out)
      : options_(options), out_(out) {}

  void add_access(entry e) { access_[e.key].push_back(std::move(e)); }

  void match_oracle(const entry& e) {
    auto it = access_.find(e.key);
    if (it == access_.end()) return note("extra row " + e.shown);
    std::vector<entry>& candidates = it->second;
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (candidates[i].row_hash == e.row_hash) {
        take(it, i);
        return;
      }
    }
    std::string columns;
    const entry& a = candidates.front();
    for (size_t c = 0; c < a.columns.size() && c < e.columns.size(); ++c) {
      if (a.columns[c] == e.columns[c]) continue;
      if (!columns.empty()) columns += ", ";
      columns += options_.column_names.at(c);
    }
    note("changed row " + e.shown + ": " + columns);
    take(it, 0);
  }

  // Rows of Access that no Oracle row matched.
  void finish() {
    for (auto& [key, entries] : access_)
      for (const entry& e : entries) note("missing row " + e.shown);
    access_.clear();
  }

 private:
  void take(std::unordered_map<std::string, std::vector<entry>>::iterator it, size_t i) {
    std::vector<entry>& v = it->second;
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
    if (v.empty()) access_.erase(it);
  }
  void note(std::string text) {
    ++out_.total;
    if (out_.first.size() < options_.limit) out_.first.push_back(std::move(text));
  }

  const verify_locate_options& options_;
  verify_row_differences& out_;
  std::unordered_map<std::string, std::vector<entry>> access_;
};

}  // namespace

uint64_t verify_hash_bytes(std::string_view bytes) {
  uint64_t h = 0xcbf29ce484222325ULL ^ bytes.size();
  size_t i = 0;
  // Eight bytes at a time, then the rest.
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    h = mix(h ^ word) * 0x100000001b3ULL;
  }
  for (; i < bytes.size(); ++i) h = (h ^ static_cast<uint8_t>(bytes[i])) * 0x100000001b3ULL;
  return mix(h);
}

uint64_t verify_row_hash(const verify_row& row, std::vector<uint64_t>* column_hashes) {
  if (column_hashes) column_hashes->clear();
  uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (size_t i = 0; i < row.size(); ++i) {
    const uint64_t c = verify_hash_bytes(row.column(i));
    if (column_hashes) column_hashes->push_back(c);
    h = mix(h ^ (c + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)));
  }
  return h;
}

void verify_digest::add(uint64_t row_hash) {
  ++rows;
  sum += row_hash;
  mixed_xor ^= mix(row_hash ^ 0x5851f42d4c957f2dULL);
}

verify_digest verify_read_digest(verify_rows& rows, const std::function<bool()>& stop) {
  verify_digest digest;
  verify_row row;
  while (rows.next(row)) {
    digest.add(verify_row_hash(row));
    if (stop && (digest.rows & 0xFFF) == 0 && stop()) break;
  }
  return digest;
}

verify_row_differences verify_locate_differences(const verify_rows_opener& access,
                                                 const verify_rows_opener& oracle,
                                                 const verify_locate_options& options) {
  verify_row_differences out;
  verify_row row;
  const size_t cap = options.memory_rows == 0 ? 1 : options.memory_rows;
  part_matcher matcher(options, out);

  // First the Access side: held in memory while it fits, else spread over
  // parts by key hash.
  std::vector<std::unique_ptr<spill_file>> access_parts, oracle_parts;
  std::vector<entry> held;
  size_t parts = 1;
  {
    std::unique_ptr<verify_rows> rows = access();
    while (rows->next(row)) {
      entry e = make_entry(row, options);
      if (access_parts.empty()) {
        held.push_back(std::move(e));
        if (held.size() <= cap) continue;
        // Over the cap: from here on every entry goes to a part file.
        parts = std::max<uint64_t>(16, options.expected_rows * 2 / cap + 1);
        for (size_t i = 0; i < parts; ++i) access_parts.push_back(std::make_unique<spill_file>());
        for (const entry& h : held) access_parts[verify_hash_bytes(h.key) % parts]->write(h);
        held.clear();
        held.shrink_to_fit();
        continue;
      }
      access_parts[verify_hash_bytes(e.key) % parts]->write(e);
    }
  }
  if (access_parts.empty()) {
    for (entry& e : held) matcher.add_access(std::move(e));
    held.clear();
    std::unique_ptr<verify_rows> rows = oracle();
    while (rows->next(row)) matcher.match_oracle(make_entry(row, options));
    matcher.finish();
    return out;
  }

  for (size_t i = 0; i < parts; ++i) oracle_parts.push_back(std::make_unique<spill_file>());
  {
    std::unique_ptr<verify_rows> rows = oracle();
    while (rows->next(row)) {
      entry e = make_entry(row, options);
      oracle_parts[verify_hash_bytes(e.key) % parts]->write(e);
    }
  }
  entry e;
  for (size_t i = 0; i < parts; ++i) {
    access_parts[i]->rewind();
    while (access_parts[i]->read(e)) matcher.add_access(std::move(e));
    access_parts[i].reset();
    oracle_parts[i]->rewind();
    while (oracle_parts[i]->read(e)) matcher.match_oracle(e);
    oracle_parts[i].reset();
    matcher.finish();
  }
  return out;
}
