// dao_engine: the Access source's engine for one phase of a run (checking
// the source, listing its tables, testing a query, converting). It chooses
// and creates the DAO DBEngine of a version key (callers try 3, 0, 1), sets
// up security (a workgroup file with user and password, or a generated
// anonymous workgroup file) and opens databases as dao_database objects.
// One instance per process at a time (dao_exception finds it); used on the
// thread that created it. The caller owns each database it opens and
// destroys it before the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "TK/tk_singl.h"
#include "UDB/udb_source_engine.h"
#include "access/dao/dao.h"
#include "access/dao_database.h"
#include "access/dao_generator.h"
#include "access/ole_com_ptr.h"

class dao_engine : public udb_source_engine, public tk_singl<dao_engine> {
 public:
  static constexpr int32_t kNoVersion = 4;

  // The engine is released on destruction whatever b_release_on_exit says
  // (there is no process-wide COM state to keep here); b_keep_com is kept
  // for the callers' sake and changes nothing.
  explicit dao_engine(bool b_release_on_exit = true, bool b_keep_com = false);
  ~dao_engine() override;

  bool set_version_if(int32_t key) override;
  void set_ugl_info(const std::wstring& system_db, const std::wstring& user,
                    const std::wstring& password) override;
  void set_anonymous_sys_db() override;
  std::unique_ptr<udb_database> open_db(const std::wstring& path, int32_t mode,
                                        const std::wstring& password) override;

  // Where the databases opened from now on report a DAO error met while
  // reading their relationships (the converter hands them to the error
  // handler); unset, such errors are traced and dropped.
  void set_error_sink(dao_error_sink sink) { error_sink_ = std::move(sink); }

  DAODBEngine* dbengine() const { return dbengine_.get(); }
  int32_t version() const { return version_; }
  const dao_generator& generator() const { return sysdb_generator_; }

 private:
  void uninitialize();

  ole_com_ptr<DAODBEngine> dbengine_;
  ole_com_ptr<DAOWorkspace> workspace_;
  int32_t version_ = kNoVersion;
  dao_generator sysdb_generator_;
  bool b_release_on_exit_;
  bool b_keep_com_;
  dao_error_sink error_sink_;
};
