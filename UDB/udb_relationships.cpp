// Relationship lookups and foreign-key name generation.
#include "UDB/udb_relationships.h"

#include <algorithm>

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

bool udb_relationships::is_acceptable_name(const std::wstring& name) const {
  return std::none_of(list_.begin(), list_.end(),
                      [&](const udb_relationship& r) { return tk_wcs_equal_nocase(r.name, name); });
}

const udb_relationship& udb_relationships::get_index(const std::wstring& name) const {
  for (const udb_relationship& r : list_)
    if (tk_wcs_equal_nocase(r.name, name)) return r;
  TK_FAIL();
}

std::wstring udb_relationships::gen_relship_name(const udb_relationship& rel) const {
  static const wchar_t* const kPieces[] = {L"_", L"1", L"_", L"2", L"_", L"3"};
  std::wstring candidate = L"FK_" + rel.ref_table + L"_" + rel.table;
  // Each failure adds one piece, so the list's size bounds the loop.
  for (size_t k = 0; !is_acceptable_name(candidate); ++k) {
    tk_wtrace(2, L"%s is not acceptable as a FK name", candidate);
    candidate += kPieces[k % 6];
  }
  return candidate;
}
