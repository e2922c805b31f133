// Page 0 of an Access file read without libmdb: format version, code page,
// page-encoding key, the stored database password and Office encryption.
// libmdb checks none of these (it opens a password-protected file without
// the password), so the DAO layer decides from this header what may be opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "access/dao/jet_bytes.h"

enum jet_version : uint8_t {
  JET_VERSION_3 = 0,  // Access 97
  JET_VERSION_4 = 1,  // Access 2000-2003
  JET_VERSION_ACE12 = 2,
  JET_VERSION_ACE14 = 3,
  JET_VERSION_ACE15 = 4,
  JET_VERSION_ACE16 = 5,
  JET_VERSION_ACE17 = 6,
};

struct jet_header {
  uint8_t version = JET_VERSION_3;
  size_t page_size = 2048;
  bool workgroup = false;  // "Jet System DB  " signature
  uint16_t code_page = 0;
  uint32_t db_key = 0;      // non-zero: pages are RC4-encoded (Jet) or Office-encrypted (ACE)
  std::u16string password;  // the stored database password, empty when none
  std::string encryption;   // Office encryption in use ("" when none)

  bool is_jet3() const { return version == JET_VERSION_3; }
};

// Reads page 0; nullopt when the bytes are not an Access database or
// workgroup file (wrong signature, unknown version, shorter than one page).
std::optional<jet_header> jet_read_header(jet_bytes file);

// True when the password given to OpenDatabase opens the file: the stored
// password is empty, or both are equal (case-sensitive), as the engine does.
bool jet_password_matches(const jet_header& header, const std::u16string& given);

// RC4 over data in place (Jet page encoding and the page-0 mask).
void jet_rc4(const uint8_t* key, size_t key_size, uint8_t* data, size_t size);
