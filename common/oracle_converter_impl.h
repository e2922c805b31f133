// The Oracle side of the converter's settings and its connection: host,
// port, user and password, and the open destination database.
#pragma once

#include <cstdint>
#include <string>

class udb_profile;

class oracle_converter_impl {
 public:
  oracle_converter_impl();
  virtual ~oracle_converter_impl();

  // An empty host is stored as "localhost".
  void store_oracle_settings(const std::wstring& host, const std::wstring& user,
                             const std::wstring& password, const std::wstring& port);
  // Opens the destination database, replacing the one open before.
  void connect_oracle_server(const std::wstring& database_name);
  bool is_connected() const { return false; }

  bool store_profile(udb_profile& profile) const;
  bool load_profile(const udb_profile& profile);

  std::wstring user;
  std::wstring password;
  std::wstring host;
  std::wstring port;

 private:
  uint8_t reserved_flag_ = 1;
};
