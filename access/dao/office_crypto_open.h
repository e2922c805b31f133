// Opening an Office-encrypted Access 2007+ file: the DAO component's side of
// the decryption unit in crypto/. Decrypts the file's private mapping in
// place, so the decrypted pages live only in this process's memory (copy on
// write: the file itself is never written; they are also kept out of core
// dumps), and turns the unit's failures into the engine's errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "access/dao/jet_header.h"

// map/size: the whole file, mapped MAP_PRIVATE and page-aligned, as
// jet_file::open maps it. Returns page 0 read again (no page key, no
// encryption). Throws jet_failure: 3031 "Not a valid password." for a wrong
// password, 3343 naming the encryption for a kind that cannot be decrypted,
// 3049 for a damaged encryption header or a mapping that cannot be written.
jet_header office_crypto_open(const std::string& path, uint8_t* map, size_t size,
                              const std::u16string& password);
