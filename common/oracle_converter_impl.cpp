// Oracle connection settings and their profile section.
#include "common/oracle_converter_impl.h"

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"
#include "common/source_check.h"

oracle_converter_impl::oracle_converter_impl() {
  tk_trace(2, "oracle_converter_impl::ctor");
}

oracle_converter_impl::~oracle_converter_impl() {
  tk_trace(2, "oracle_converter_impl::dtor");
  // The database goes before the session that it uses.
  destination_.reset();
}

void oracle_converter_impl::store_oracle_settings(const std::wstring& h, const std::wstring& u,
                                                  const std::wstring& p, const std::wstring& prt) {
  tk_wtrace(2, L"oracle_converter_impl::store_oracle_settings(%s,%s,%s,%s)", h, u,
            tk_mask_password(p), prt);
  host = h.empty() ? L"localhost" : h;
  password = p;
  port = prt;
  user = u;
}

void oracle_converter_impl::connect_oracle_server(const std::wstring& database_name) {
  tk_wtrace(2, L"oracle_converter_impl::connect_oracle_server(%s)", database_name);
  destination_.reset();
  connect_destination(*this, database_name);
}

void oracle_converter_impl::set_destination(std::unique_ptr<udb_destination> database) {
  destination_.reset();
  destination_ = std::move(database);
}

bool oracle_converter_impl::store_profile(udb_profile& profile) const {
  tk_trace(2, "oracle_converter_impl::store_profile");
  const std::wstring s = udb_profile::kOracleSettings;
  if (!host.empty()) profile.set(s, L"host", host);
  if (!password.empty()) profile.set(s, L"password", password);
  if (!port.empty()) profile.set(s, L"port", port);
  if (!user.empty()) profile.set(s, L"user", user);
  return true;
}

bool oracle_converter_impl::load_profile(const udb_profile& profile) {
  tk_trace(2, "oracle_converter_impl::load_profile");
  const std::wstring s = udb_profile::kOracleSettings;
  if (auto v = profile.get(s, L"host"); !v.empty()) host = v;
  if (auto v = profile.get(s, L"password"); !v.empty()) password = v;
  if (auto v = profile.get(s, L"port"); !v.empty()) port = v;
  if (auto v = profile.get(s, L"user"); !v.empty()) user = v;
  return true;
}
