// Construction, settings store and profiles of the converter. The run and
// the table list are in conversion_driver.cpp; the query test goes through
// the source engine (source_session.cpp).
#include "common/tarvel_convertor.h"

#include <utility>

#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"
#include "common/source_check.h"

tarvel_convertor::tarvel_convertor(tarvel_front_end front_end) : front_end_(front_end) {
  tk_trace(1, "tarvel_convertor::ctor");
  if (front_end_ == tarvel_front_end::wizard) {
    serialize(false);
  } else {
    uppercase = false;
    use_workgroup_security = false;
    set_mode(UDB_MODE_OVERWRITE);
  }
}

tarvel_convertor::~tarvel_convertor() {
  if (front_end_ == tarvel_front_end::wizard) serialize(true);
}

std::unique_ptr<udb_source_engine> tarvel_convertor::make_source_engine() const {
  std::unique_ptr<udb_source_engine> engine =
      source_engine_factory_ ? source_engine_factory_() : create_source_engine();
  TK_ASSERT(engine != nullptr);
  return engine;
}

bool tarvel_convertor::test_query(const std::wstring& query_text) {
  try {
    return test_source_query(*this, query_text);
  } catch (...) {
    return false;
  }
}

std::wstring tarvel_convertor::query_error(const std::wstring& query_text) const {
  return source_query_error(*this, query_text);
}

namespace {

// One value of the settings store, read or written according to `store`.
struct settings_io {
  tk_reg_key& key;
  bool store;
  bool ok = true;

  void text(const wchar_t* name, std::wstring& field) {
    if (store) {
      ok &= key.set_value(name, field) == TK_ERROR_SUCCESS;
      return;
    }
    uint32_t size = 0;
    std::wstring value;
    if (key.get_value(name, nullptr, &size) != TK_ERROR_SUCCESS ||
        key.get_value(name, &value, &size) != TK_ERROR_SUCCESS) {
      ok = false;
      return;
    }
    field = value;
  }
  void number(const char* name, int32_t& field) {
    if (store) {
      ok &= key.set_value(name, static_cast<uint32_t>(field)) == TK_ERROR_SUCCESS;
      return;
    }
    uint32_t v = 0;
    if (key.get_value(name, &v) != TK_ERROR_SUCCESS) {
      ok = false;
      return;
    }
    field = static_cast<int32_t>(v);
  }
  void flag(const char* name, bool& field) {
    if (store) {
      ok &= key.set_value(name, field ? 1u : 0u) == TK_ERROR_SUCCESS;
      return;
    }
    uint32_t v = 0;
    if (key.get_value(name, &v) != TK_ERROR_SUCCESS) {
      ok = false;
      return;
    }
    field = v != 0;
  }
};

}  // namespace

bool tarvel_convertor::serialize(bool store) {
  tk_trace(1, "serialize( %d )", store ? 1 : 0);
  tk_reg_key key;
  if (key.open(TK_HKEY_CURRENT_USER, kSettingsKey) != TK_ERROR_SUCCESS) return false;

  int32_t mode_value = mode();
  if (!store) {
    mode_value = UDB_MODE_OVERWRITE;
    oracle.port = L"1521";
    skip_indexes = false;
    only_definitions = false;
    uppercase = true;
    use_workgroup_security = false;
  }
  std::wstring src = source_name();
  std::wstring dest = destination_name();

  settings_io io{key, store};
  io.text(L"acc_pswd", access.database_password);
  io.text(L"dest", dest);
  io.number("mode", mode_value);
  io.text(L"oracleh", oracle.host);
  io.text(L"oraclep", oracle.password);
  io.text(L"oracleu", oracle.user);
  io.text(L"port", oracle.port);
  io.flag("skip_idx", skip_indexes);
  io.text(L"src", src);
  io.text(L"sysdb path", access.workgroup_file);
  io.flag("tab_def", only_definitions);
  io.text(L"ugl_user", access.workgroup_user);
  io.text(L"ugl_pswd", access.workgroup_password);
  io.flag("uppercase", uppercase);
  io.flag("use_ugl", use_workgroup_security);

  if (!store) {
    set_mode(mode_value);
    set_source_name(src);
    set_destination_name(dest);
  }
  key.close();
  return io.ok;
}

bool tarvel_convertor::store_profile(udb_profile& profile) const {
  if (!udb_converter::store_profile(profile) || !access.store_profile(profile) ||
      !oracle.store_profile(profile))
    return false;
  // The open destination's flag when one is connected, else the setting.
  profile.set(udb_profile::kOracleSettings, L"uppercase", uppercase ? L"1" : L"0");
  return true;
}

bool tarvel_convertor::load_profile(const udb_profile& profile) {
  if (!udb_converter::load_profile(profile) || !access.load_profile(profile) ||
      !oracle.load_profile(profile))
    return false;
  if (auto v = profile.get(udb_profile::kOracleSettings, L"uppercase"); !v.empty())
    uppercase = v == L"1";
  return true;
}

bool tarvel_convertor::load_profile_file(const std::wstring& path) {
  udb_profile profile;
  if (!profile.load(path)) return false;
  // A password is used exactly as written: one whose bytes are not UTF-8
  // cannot be read, and must not reach a logon changed.
  static const std::pair<const wchar_t*, const wchar_t*> kPasswords[] = {
      {udb_profile::kOracleSettings, L"password"},
      {udb_profile::kAccessSettings, L"database password"},
      {udb_profile::kAccessSettings, L"workgroup password"}};
  for (const auto& [section, key] : kPasswords)
    if (!profile.is_text(section, key))
      throw tk_exception(tk_format("Profile '%s' could not be read: the value of '%s' in its "
                                   "[%s] is not UTF-8 text.\nPlease save the profile as UTF-8.",
                                   tk_to_utf8(path), tk_to_utf8(key), tk_to_utf8(section)),
                         TK_LEVEL_RUN);
  return load_profile(profile);
}

void tarvel_convertor::check_loaded_profile(const std::string& path) const {
  const char* missing = source_name().empty()        ? "src"
                        : destination_name().empty() ? "dest"
                                                     : nullptr;
  if (missing == nullptr) return;
  throw tk_exception(
      tk_format("Profile '%s' has no '%s' setting in its [Generic settings]: it names no %s.\n"
                "Please verify the correct path/name was given.",
                path, missing, source_name().empty() ? "MS Access database" : "Oracle database"),
      TK_LEVEL_RUN);
}

void tarvel_convertor::store_profile_file(const std::wstring& path) const {
  udb_profile profile;
  store_profile(profile);
  profile.store(path);
}
