// Access security settings and the source check.
#include "common/acc_converter_impl.h"

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"
#include "common/source_check.h"

void acc_converter_impl::store_ugl_settings(const std::wstring& file, const std::wstring& user,
                                            const std::wstring& password) {
  tk_wtrace(2, L"acc_converter_impl::store_ugl_settings(%s,%s,%s)", file, user,
            tk_mask_password(password));
  workgroup_file = tk_trim(file);
  workgroup_user = tk_trim(user);
  workgroup_password = tk_trim(password);
}

void acc_converter_impl::check_acc_base(const std::wstring& source_name,
                                        const std::wstring& db_password) {
  tk_trace(2, "acc_converter_impl::check_acc_base");
  TK_ASSERT(!source_name.empty());
  check_access_source(*this, source_name, db_password);
}

bool acc_converter_impl::store_profile(udb_profile& profile) const {
  const std::wstring s = udb_profile::kAccessSettings;
  profile.set(s, L"database password", database_password);
  profile.set(s, L"workgroup file", workgroup_file);
  profile.set(s, L"workgroup user", workgroup_user);
  profile.set(s, L"workgroup password", workgroup_password);
  return true;
}

bool acc_converter_impl::load_profile(const udb_profile& profile) {
  const std::wstring s = udb_profile::kAccessSettings;
  if (auto v = profile.get(s, L"database password"); !v.empty()) database_password = v;
  if (auto v = profile.get(s, L"workgroup file"); !v.empty()) workgroup_file = v;
  if (auto v = profile.get(s, L"workgroup user"); !v.empty()) workgroup_user = v;
  if (auto v = profile.get(s, L"workgroup password"); !v.empty()) workgroup_password = v;
  return true;
}
