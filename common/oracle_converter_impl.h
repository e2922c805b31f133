// The Oracle side of the converter's settings and its connection: host,
// port, user and password, and the open destination database, which it owns
// (the Oracle database; tests install their own). Replacing or destroying the
// side destroys the database. Not thread-safe: settings and the connection
// are not changed while a run is active.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ORA/ora_engine.h"
#include "UDB/udb_destination.h"

class udb_profile;

class oracle_converter_impl {
 public:
  oracle_converter_impl();
  virtual ~oracle_converter_impl();

  // An empty host is stored as "localhost".
  void store_oracle_settings(const std::wstring& host, const std::wstring& user,
                             const std::wstring& password, const std::wstring& port);
  // Opens the destination database, replacing the one open before (which is
  // destroyed first; after a failure none is open).
  void connect_oracle_server(const std::wstring& database_name);
  bool is_connected() const { return destination_ != nullptr; }
  // The open destination database, or null.
  udb_destination* destination() const { return destination_.get(); }
  // Takes over an open destination database, destroying the previous one.
  void set_destination(std::unique_ptr<udb_destination> database);

  bool store_profile(udb_profile& profile) const;
  bool load_profile(const udb_profile& profile);

  // The Oracle session; connect_oracle_server logs on through it.
  ora_engine engine;
  std::wstring user;
  std::wstring password;
  std::wstring host;
  std::wstring port;

 private:
  uint8_t reserved_flag_ = 1;
  std::unique_ptr<udb_destination> destination_;
};
