// The Access side of the converter's settings: the database password and the
// workgroup (user-level security) file, user and password.
#pragma once

#include <string>

class udb_profile;

class acc_converter_impl {
 public:
  // Stores the three values with the spaces at both ends removed.
  void store_ugl_settings(const std::wstring& workgroup_file, const std::wstring& workgroup_user,
                          const std::wstring& workgroup_password);
  // Test-opens the source with the security settings and closes it again.
  // Failures are the Access side's exceptions.
  void check_acc_base(const std::wstring& source_name, const std::wstring& database_password);

  bool store_profile(udb_profile& profile) const;
  bool load_profile(const udb_profile& profile);

  std::wstring database_password;
  std::wstring workgroup_user;
  std::wstring workgroup_password;
  std::wstring workgroup_file;
};
