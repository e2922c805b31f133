// A profile: a text file of [sections] and key=value lines holding one
// complete set of conversion settings. This class is only the generic store;
// the converter layers read and write their own sections. Files are UTF-8
// with CR LF line ends and are written readable by their owner only, because
// profiles keep passwords in plain text.
#pragma once

#include <map>
#include <set>
#include <string>

#include "TK/tk_text.h"

class udb_profile {
 public:
  using section = std::map<std::wstring, std::wstring, tk_utf16_less>;
  using sections = std::map<std::wstring, section, tk_utf16_less>;

  static constexpr const wchar_t* kAvailableQueries = L"Available Queries";
  static constexpr const wchar_t* kSelectedTables = L"Selected Tables";
  static constexpr const wchar_t* kGenericSettings = L"Generic settings";
  static constexpr const wchar_t* kAccessSettings = L"MS Access settings";
  static constexpr const wchar_t* kOracleSettings = L"Oracle settings";

  udb_profile();

  // A missing file, and a line of 4095 bytes or more, are level-1
  // tk_exceptions; false when the file cannot be read or an entry comes
  // before any section.
  bool load(const std::wstring& path);
  // Writes every section; a file that cannot be opened is silently skipped.
  void store(const std::wstring& path) const;

  // Empty when absent.
  std::wstring get(const std::wstring& section_name, const std::wstring& key) const;
  // Creates the section when missing; an existing key keeps its first value.
  void set(const std::wstring& section_name, const std::wstring& key, const std::wstring& value);
  const section* find_section(const std::wstring& name) const;
  const sections& all() const { return sections_; }
  // False when the file's line of the key's value was not UTF-8 text: the
  // value holds U+FFFD where the bytes were. True for an absent key.
  bool is_text(const std::wstring& section_name, const std::wstring& key) const;

 private:
  sections sections_;
  std::map<std::wstring, std::set<std::wstring, tk_utf16_less>, tk_utf16_less> not_text_;
};
