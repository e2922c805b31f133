// Opening an Office-encrypted Access 2007+ file: the DAO component's side of
// the decryption unit in crypto/. Decrypts the file's mapping into anonymous
// memory that then replaces the mapping at the same address, so the decrypted
// pages live only in this process's memory (never in a file; also kept out of
// core dumps), and turns the unit's failures into the engine's errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "access/dao/jet_header.h"

// map/size: the whole file as jet_file::open maps it (page-aligned, to be
// released with munmap(map, size)); on success the same range holds the
// decrypted file, read-only. Returns page 0 read again (no page key, no
// encryption). Throws jet_failure, the mapping left as it was: 3031 "Not a
// valid password." for a wrong password, 3343 naming the encryption for a
// kind that cannot be decrypted, 3049 for a damaged encryption header or
// when memory for the decrypted file cannot be had.
jet_header office_crypto_open(const std::string& path, uint8_t* map, size_t size,
                              const std::u16string& password);
