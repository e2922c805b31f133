// dao_engine: version choice, workgroup security and opening databases.
#include "access/dao_engine.h"

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao_bstr.h"
#include "access/dao_exception.h"

namespace {
VARIANT bool_variant(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
}  // namespace

dao_engine::dao_engine(bool b_release_on_exit, bool b_keep_com)
    : b_release_on_exit_(b_release_on_exit), b_keep_com_(b_keep_com) {
  tk_trace(2, "dao_engine::ctor");
}

dao_engine::~dao_engine() {
  tk_trace(2, "dao_engine::dtor");
  if (dbengine_) uninitialize();
  workspace_.reset();
  // sysdb_generator_ goes last, with its file: the engine no longer uses it.
}

void dao_engine::uninitialize() {
  tk_trace(2, "dao_engine::uninitialize");
  workspace_.reset();
  dbengine_.reset();
  version_ = kNoVersion;
}

bool dao_engine::set_version_if(int32_t key) {
  tk_trace(2, "dao_engine::set_version_if(%d)", key);
  if (dbengine_) uninitialize();
  TK_ASSERT(key >= 0 && key <= 3);
  if (FAILED(dao_create_engine(key, dbengine_.out())) || !dbengine_) {
    tk_trace(2, "Failed to create ClassFactory");
    dbengine_.reset();
    return false;
  }
  version_ = key;
  return true;
}

void dao_engine::set_ugl_info(const std::wstring& system_db, const std::wstring& user,
                              const std::wstring& password) {
  tk_wtrace(2, L"dao_engine::set_ugl_info(%s,%s,%s)", system_db, user, tk_mask_password(password));
  TK_ASSERT(!workspace_);
  if (system_db.empty() || user.empty()) return;
  TK_ASSERT(dbengine_);
  dao_check(dbengine_->put_SystemDB(dao_bstr(system_db)), TK_LEVEL_RUN);
  VARIANT use_type;
  VariantInit(&use_type);
  dao_check(dbengine_->CreateWorkspace(dao_bstr(std::wstring(L"New Workspace")), dao_bstr(user),
                                       dao_bstr::secret(password), use_type, workspace_.out()),
            TK_LEVEL_RUN);
  dao_check_object(workspace_.get(), "workspace", TK_LEVEL_RUN);
}

void dao_engine::set_anonymous_sys_db() {
  tk_trace(2, "dao_engine::set_anonymous_sys_db");
  TK_ASSERT(dbengine_);
  try {
    // DAO 3.5 (and 3.0) use Jet 3 workgroup files; DAO 3.6 and ACE Jet 4.
    const bool jet3 = version_ == 1 || version_ == 2;
    sysdb_generator_.do_generate(
        dao_sysdb_image(jet3 ? dao_sysdb_format::jet3 : dao_sysdb_format::jet4));
    dao_check(dbengine_->put_SystemDB(dao_bstr(sysdb_generator_.name())), TK_LEVEL_RUN);
  } catch (const tk_exception& e) {
    // The open goes on with the engine's default security.
    tk_trace(3, "Error: %s", e.message());
  }
}

std::unique_ptr<udb_database> dao_engine::open_db(const std::wstring& path, int32_t mode,
                                                  const std::wstring& password) {
  tk_wtrace(2, L"dao_engine::open_db(%s, mode=%d)", path, mode);
  TK_ASSERT(version_ != kNoVersion && dbengine_);
  const VARIANT exclusive = bool_variant((mode & 0x10) != 0);
  const VARIANT read_only = bool_variant((mode & 0x01) != 0);
  const dao_bstr connect(password.empty() ? std::wstring() : L";pwd=" + password);
  VARIANT connect_arg = connect.as_variant();
  tk_trace(2, "Open database using DAO engine");
  ole_com_ptr<DAODatabase> database;
  dao_check(dbengine_->OpenDatabase(dao_bstr(tk_file_name_to_utf16(path)), exclusive, read_only,
                                    connect_arg, database.out()),
            TK_LEVEL_RUN);
  dao_check_object(database.get(), "database", TK_LEVEL_RUN);
  tk_trace(2, "Right after OpenDatabase call");
  return std::make_unique<dao_database>(path, std::move(database), static_cast<uint32_t>(mode),
                                        error_sink_);
}
