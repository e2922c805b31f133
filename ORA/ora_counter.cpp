// ora_counter: finding a table's counter through its trigger and moving its
// sequence past the column's values.
#include "ORA/ora_counter.h"

#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_database.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_util.h"
#include "ORA/ora_validator.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"

namespace {
// Bytes of the buffer a number's text is read into.
constexpr size_t kNumberTextBytes = 256;

std::wstring quoted(const std::wstring& name) {
  return L"\"" + name + L"\"";
}

// Column 1 of the first row as text ("" for NULL or no row). Numbers come
// in the server's own text form, exact at any size.
std::wstring read_text(const std::wstring& sql) {
  ora_stmt stmt;
  stmt.prepare(sql);
  char16_t buffer[kNumberTextBytes / 2] = {};
  sb2 indicator = 0;
  stmt.define(1, buffer, static_cast<sb4>(kNumberTextBytes), SQLT_STR, &indicator, nullptr);
  if (stmt.execute(1, OCI_DEFAULT) == OCI_NO_DATA || indicator == OCI_IND_NULL) return L"";
  size_t n = 0;
  while (n < kNumberTextBytes / 2 && buffer[n] != 0) ++n;
  return tk_utf16_to_wide(std::u16string_view(buffer, n));
}

// A whole number's text as a value; none for anything else (a fraction, a
// value beyond 64 bits, an empty text).
std::optional<int64_t> whole_number(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  wchar_t* end = nullptr;
  errno = 0;
  const long long value = std::wcstoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != 0 || errno != 0) return std::nullopt;
  return static_cast<int64_t>(value);
}

void skip_blanks(const std::wstring& text, size_t& pos) {
  while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
}

// A name at `pos`: a quoted one exactly, an unquoted one folded to upper
// case as Oracle folds it.
bool read_name(const std::wstring& text, size_t& pos, std::wstring& out) {
  if (pos < text.size() && text[pos] == L'"') {
    const size_t close = text.find(L'"', pos + 1);
    if (close == std::wstring::npos) return false;
    out = text.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    return !out.empty();
  }
  const size_t start = pos;
  while (pos < text.size() && ora_validator::is_name_char(text[pos])) ++pos;
  out = tk_wstring(text.substr(start, pos - start)).to_upper();
  return !out.empty();
}

// The keyword at `pos`, any case; `pos` moves past it.
bool read_keyword(const std::wstring& text, size_t& pos, const std::wstring& keyword) {
  if (text.size() - pos < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(text[pos + i])) != static_cast<wint_t>(keyword[i]))
      return false;
  }
  pos += keyword.size();
  return true;
}
}  // namespace

std::optional<ora_counter> ora_counter::from_trigger_body(const std::wstring& body) {
  std::wstring lower = body;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  for (size_t at = lower.find(L"select"); at != std::wstring::npos;
       at = lower.find(L"select", at + 1)) {
    ora_counter counter;
    size_t pos = at + 6;
    skip_blanks(body, pos);
    if (!read_name(body, pos, counter.sequence_)) continue;
    if (!read_keyword(body, pos, L".nextval")) continue;
    skip_blanks(body, pos);
    if (!read_keyword(body, pos, L"into")) continue;
    skip_blanks(body, pos);
    if (!read_keyword(body, pos, L":new.")) continue;
    if (!read_name(body, pos, counter.column_)) continue;
    return counter;
  }
  return std::nullopt;
}

std::optional<ora_counter> ora_counter::find(const std::wstring& table) {
  tk_wtrace(2, L"ora_counter::find(%s)", table);
  const std::wstring sql = L"select TRIGGER_BODY from USER_TRIGGERS where TABLE_NAME='" +
                           ora_doubled_quotes(table) + L"' and TRIGGERING_EVENT='INSERT'";
  ora_query_results rows(L"", sql);
  rows.initialize(0, sql);
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    if (auto counter = from_trigger_body((*row)[0].to_wstring())) return counter;
  }
  return std::nullopt;
}

std::optional<std::wstring> ora_counter::own_sequence(const std::wstring& table, size_t max_bytes) {
  tk_wtrace(2, L"ora_counter::own_sequence(%s)", table);
  const std::wstring sql =
      L"select TABLE_NAME, TRIGGER_NAME, TRIGGER_BODY from USER_TRIGGERS where "
      L"TRIGGERING_EVENT='INSERT'";
  ora_query_results rows(L"", sql);
  rows.initialize(0, sql);
  std::optional<std::wstring> own;
  std::vector<std::wstring> used_elsewhere;
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    const auto counter = from_trigger_body((*row)[2].to_wstring());
    if (!counter) continue;
    if ((*row)[0].to_wstring() != table) {
      used_elsewhere.push_back(counter->sequence());
    } else if (!own &&
               ora_schema_initializer::is_trigger_name(table, (*row)[1].to_wstring(), max_bytes) &&
               ora_schema_initializer::is_sequence_name(table, counter->sequence(), max_bytes)) {
      own = counter->sequence();
    }
  }
  for (const std::wstring& other : used_elsewhere) {
    if (own && other == *own) {
      tk_wtrace(2, L"Sequence '%s' is used by another table's trigger", other);
      return std::nullopt;
    }
  }
  return own;
}

bool ora_counter::sequence_exists() const {
  return read_text(L"select COUNT(*) from USER_SEQUENCES where SEQUENCE_NAME='" +
                   ora_doubled_quotes(sequence_) + L"'") != L"0";
}

void ora_counter::move_past_values(ora_database& db, const std::wstring& table) const {
  tk_wtrace(2, L"ora_counter::move_past_values(%s.%s, %s)", table, column_, sequence_);
  const std::optional<int64_t> largest =
      whole_number(read_text(L"SELECT MAX(" + quoted(column_) + L") FROM " + quoted(table)));
  if (!largest) return;  // no rows, or values that are no counter's
  const std::wstring seq_row =
      L" from USER_SEQUENCES where SEQUENCE_NAME='" + ora_doubled_quotes(sequence_) + L"'";
  if (read_text(L"select INCREMENT_BY" + seq_row) != L"1") {
    tk_wtrace(2, L"Sequence '%s' is not one of a counter - left as it is", sequence_);
    return;
  }
  // Without a cache LAST_NUMBER is the next value: nothing to do when it is
  // ahead already, and no number is spent.
  const std::optional<int64_t> next = whole_number(read_text(L"select LAST_NUMBER" + seq_row));
  if (read_text(L"select CACHE_SIZE" + seq_row) == L"0" && next && *next > *largest) return;

  const std::wstring nextval = L"SELECT " + quoted(sequence_) + L".NEXTVAL FROM DUAL";
  const std::optional<int64_t> given = whole_number(read_text(nextval));
  if (!given || *given >= *largest) return;
  const std::wstring alter = L"ALTER SEQUENCE " + quoted(sequence_) + L" INCREMENT BY ";
  db.query(alter + std::to_wstring(*largest - *given));
  try {
    read_text(nextval);
  } catch (...) {
    db.query(alter + L"1");
    throw;
  }
  db.query(alter + L"1");
  tk_wtrace(2, L"Sequence '%s' continues after %s", sequence_, std::to_wstring(*largest));
}
