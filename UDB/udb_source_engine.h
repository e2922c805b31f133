// udb_source_engine: the engine that opens a source database, as the
// conversion core uses it for each phase (checking the source, listing its
// tables, testing a query, converting). The Access layer's DAO engine
// implements it; tests implement it over in-memory databases. One engine per
// phase, used on the thread that created it; the caller owns both the engine
// and every database it opens, and closes the database before the engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "UDB/udb_database.h"

class udb_source_engine {
 public:
  // Open modes the core uses: 0x61 checking, 0x21 listing, 0x01 converting.
  // Bit 0x01 read-only, 0x10 exclusive; 0x20 or 0x40 skip the relationships.
  static constexpr int32_t kOpenCheck = 0x61;
  static constexpr int32_t kOpenList = 0x21;
  static constexpr int32_t kOpenConvert = 0x01;

  virtual ~udb_source_engine() = default;

  // Loads the engine version of that key (callers try 3, then 0, then 1);
  // false when it does not load.
  virtual bool set_version_if(int32_t key) = 0;
  // User-level security; does nothing when the file or the user is empty.
  virtual void set_ugl_info(const std::wstring& system_db, const std::wstring& user,
                            const std::wstring& password) = 0;
  // Security through a generated anonymous system database.
  virtual void set_anonymous_sys_db() = 0;
  // Opens the database; failures are the engine's exceptions.
  virtual std::unique_ptr<udb_database> open_db(const std::wstring& path, int32_t mode,
                                                const std::wstring& password) = 0;
};
