// dao_bstr: owns one BSTR handed to a DAO call as a name, path, SQL text or
// connect text. Built from wide text (copied with its length, embedded zeros
// included) or from narrow text (UTF-8, the system's narrow code page).
// Freed on destruction. Not copyable.
#pragma once

#include <string>

#include "OLE/automation/oleauto.h"

class dao_bstr {
 public:
  explicit dao_bstr(const std::wstring& text);
  explicit dao_bstr(const std::string& text);
  // UTF-16 units as they are (a file name may hold units that are no text).
  explicit dao_bstr(const std::u16string& units);
  // A password: the trace shows "***" instead of the text.
  static dao_bstr secret(const std::wstring& text) { return dao_bstr(text, true); }
  ~dao_bstr();
  dao_bstr(const dao_bstr&) = delete;
  dao_bstr& operator=(const dao_bstr&) = delete;

  // The BSTR for a DAO call; it stays owned here.
  operator BSTR() const;
  // A VARIANT that refers to (does not own) the BSTR: do not clear it.
  VARIANT as_variant() const;

 private:
  dao_bstr(const std::wstring& text, bool secret);
  BSTR bstr_;
};
