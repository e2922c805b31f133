// DBEngine and Workspace (see daodbengine.h).
#include "access/dao/daodbengine.h"

#include <array>
#include <cstdio>
#include <fstream>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_cursor.h"

namespace {

std::array<bool, 4> g_available = {true, true, true, true};

bool missing(const VARIANT& v) {
  return v.vt == VT_EMPTY || v.vt == VT_ERROR;
}

bool flag_of(const VARIANT& v) {
  if (missing(v)) return false;
  VARIANT b;
  VariantInit(&b);
  if (FAILED(VariantChangeType(&b, &v, 0, VT_BOOL))) throw jet_errors::invalid_argument();
  return b.boolVal != VARIANT_FALSE;
}

char16_t lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// The workgroup file test: an Access 2.0 system database or the
// "Jet System DB  " signature of later versions.
bool is_workgroup_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<unsigned char, 1040> head{};
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  const size_t got = size_t(in.gcount());
  auto u16 = [&](size_t at) { return uint32_t(head[at] | (head[at + 1] << 8)); };
  auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
  if (got >= 1040) {
    if (u32(1030) == 0x68636952 && u16(0) == 1 && u16(1038) == 0) return true;
    if (u32(0) == 0x20532C77) return true;
  }
  static const char kSignature[] = "Jet System DB  ";  // with its zero byte
  return got > 20 && std::equal(kSignature, kSignature + 16, head.begin() + 4);
}

// True when the workgroup file lists the user (case-insensitive). A file
// whose accounts cannot be read (a bare anonymous image) knows only Admin.
bool workgroup_has_user(const std::string& path, const std::u16string& user) {
  std::unique_ptr<jet_file> file;
  try {
    file = jet_file::open(path, u"");
  } catch (const jet_failure& failure) {
    tk_trace(3, "DAODBEngine: accounts of %s unreadable (%s); only Admin is known", path,
             failure.what());
    return jet_same_name(user, u"admin");
  }
  const jet_object* accounts = file->find_table(u"MSysAccounts");
  if (!accounts || accounts->type != JET_OBJECT_TABLE) return jet_same_name(user, u"admin");
  const jet_table table(*file, accounts->tdef_page(), accounts->name);
  int name_column = -1;
  for (size_t i = 0; i < table.columns().size(); ++i)
    if (jet_same_name(table.columns()[i].name, u"Name")) name_column = int(i);
  if (name_column < 0) return jet_same_name(user, u"admin");
  jet_cursor cursor(*file, table);
  jet_value name;
  while (cursor.next()) {
    cursor.value(size_t(name_column), name);
    if (name.kind == jet_kind::text && jet_same_name(name.text, user)) return true;
  }
  return false;
}

}  // namespace

std::u16string dao_connect_password(const std::u16string& connect) {
  size_t start = 0;
  while (start <= connect.size()) {
    size_t end = connect.find(u';', start);
    if (end == std::u16string::npos) end = connect.size();
    const std::u16string part = connect.substr(start, end - start);
    if (part.size() >= 4 && lower(part[0]) == u'p' && lower(part[1]) == u'w' &&
        lower(part[2]) == u'd' && part[3] == u'=')
      return part.substr(4);
    start = end + 1;
  }
  return {};
}

HRESULT dao_create_engine(int32_t version_key, DAODBEngine** engine) {
  if (!engine) return E_POINTER;
  *engine = nullptr;
  if (version_key < 0 || version_key > 3 || !g_available[size_t(version_key)])
    return DAO_E_CLASSNOTREG;
  tk_trace(1, "dao_create_engine(%d)", int(version_key));
  return dao_ref<DAODBEngine>(new DAODBEngine()).copy_to(engine);
}

void dao_set_engine_available(int32_t version_key, bool available) {
  if (version_key >= 0 && version_key <= 3) g_available[size_t(version_key)] = available;
}

// ---------------------------------------------------------------------------
// DAODBEngine

DAODBEngine::DAODBEngine() : context_(std::make_shared<dao_context>()) {}

HRESULT DAODBEngine::put_SystemDB(BSTR path) {
  system_db_ = dao_text_of(path);
  tk_trace(1, "DAODBEngine::put_SystemDB(%s)", tk_utf16_to_utf8(system_db_));
  return S_OK;
}

HRESULT DAODBEngine::get_SystemDB(BSTR* path) {
  if (!path) return E_POINTER;
  *path = dao_bstr_from(system_db_);
  return S_OK;
}

HRESULT DAODBEngine::get_Version(BSTR* version) {
  if (!version) return E_POINTER;
  *version = dao_bstr_from(u"12.0");
  return S_OK;
}

void DAODBEngine::check_system_db() const {
  if (system_db_.empty()) return;
  const std::string path = tk_utf16_to_utf8(system_db_);
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
  } else {
    throw jet_errors::workgroup_missing(path);
  }
  if (!is_workgroup_file(path))
    throw jet_failure(JET_ERR_WORKGROUP_INVALID, "Cannot open the workgroup information file '" +
                                                     path +
                                                     "': it is not a workgroup information file.");
}

HRESULT DAODBEngine::CreateWorkspace(BSTR name, BSTR user, BSTR, VARIANT,
                                     DAOWorkspace** workspace) {
  if (!workspace) return E_POINTER;
  *workspace = nullptr;
  return dao_guard(*context_, [&] {
    const std::u16string user_name = dao_text_of(user);
    check_system_db();
    if (!system_db_.empty()) {
      const std::string path = tk_utf16_to_utf8(system_db_);
      if (!workgroup_has_user(path, user_name)) throw jet_errors::bad_account();
      tk_trace(3,
               "DAODBEngine: user '%s' found in %s; the account password cannot be verified "
               "(its encryption is not publicly documented)",
               tk_utf16_to_utf8(user_name), path);
    } else if (!jet_same_name(user_name, u"admin")) {
      // Without a workgroup file the engine knows only its default user.
      throw jet_errors::bad_account();
    }
    dao_ref<DAODBEngine> self(this);
    return dao_ref<DAOWorkspace>(new DAOWorkspace(self, dao_text_of(name), user_name))
        .copy_to(workspace);
  });
}

HRESULT DAODBEngine::OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect,
                                  DAODatabase** database) {
  if (!database) return E_POINTER;
  *database = nullptr;
  return dao_guard(*context_, [&] {
    const std::u16string path16 = dao_text_of(name);
    const std::string path = tk_file_name_from_utf16(path16);
    const bool exclusive = flag_of(options);
    const bool ro = flag_of(read_only);
    std::u16string password;
    if (connect.vt == VT_BSTR)
      password = dao_connect_password(dao_text_of(connect.bstrVal));
    else if (!missing(connect))
      throw jet_errors::invalid_argument();
    tk_trace(1, "DAODBEngine::OpenDatabase(%s, exclusive=%d, read-only=%d)", path, int(exclusive),
             int(ro));
    check_system_db();
    if (path.empty()) throw jet_errors::file_not_found(path);
    std::shared_ptr<jet_file> file = jet_file::open(path, password);
    return dao_ref<DAODatabase>(new DAODatabase(context_, std::move(file), path16))
        .copy_to(database);
  });
}

HRESULT DAODBEngine::get_Errors(DAOErrors** errors) {
  if (!errors) return E_POINTER;
  return dao_ref<DAOErrors>(new DAOErrors(context_)).copy_to(errors);
}

// ---------------------------------------------------------------------------
// DAOWorkspace

DAOWorkspace::DAOWorkspace(dao_ref<DAODBEngine> engine, std::u16string name, std::u16string user)
    : engine_(std::move(engine)), name_(std::move(name)), user_(std::move(user)) {}

HRESULT DAOWorkspace::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(name_);
  return S_OK;
}

HRESULT DAOWorkspace::get_UserName(BSTR* user) {
  if (!user) return E_POINTER;
  *user = dao_bstr_from(user_);
  return S_OK;
}

HRESULT DAOWorkspace::OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect,
                                   DAODatabase** database) {
  return engine_->OpenDatabase(name, options, read_only, connect, database);
}

HRESULT DAOWorkspace::Close() {
  return S_OK;
}
