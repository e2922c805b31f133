// ora_engine: the process's one session with Oracle through OCI. It loads the
// client library, owns the environment (UTF-16 mode), error, server and
// service-context handles, logs on and off, and answers two small queries of
// its own (record count, server version). Every other Oracle class reaches
// the handles through the single instance. A session is used by one thread:
// the engine's own by the thread that runs the conversion, and a further
// session (ora_thread_session) by the thread it is bound to, which then
// reaches that session's handles through the same accessors. Nothing is
// locked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TK/tk_singl.h"
#include "oci/oci_types.h"

class ora_database;

// The handles of one session; the engine's own, or those of a session bound
// to the calling thread.
struct ora_session_handles {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
};

class ora_engine : public tk_singl<ora_engine> {
 public:
  ora_engine();
  // Logs off and frees the handles; never throws.
  ~ora_engine();

  // Loads the client library (level-1 tk_exception when it is missing) and
  // creates the environment and error handles; a client that cannot create
  // its environment (bad NLS_LANG, missing message files) gives a level-1
  // tk_exception with the client's reason.
  void initialize();

  // "//" + host + ":" + port + "/" + service, an empty port being 1521.
  std::unique_ptr<ora_database> open_db(const std::wstring& host, const std::wstring& user,
                                        const std::wstring& password, const std::wstring& port,
                                        const std::wstring& service);
  // Logs on (ending an earlier session first) and returns the database of the
  // data source; the caller owns it and must destroy it before the engine.
  // A failed logon raises ora_exception and leaves no session.
  std::unique_ptr<ora_database> open_db(const std::wstring& data_source, const std::wstring& user,
                                        const std::wstring& password);

  // The warning of the last logon (OCI_SUCCESS_WITH_INFO, such as ORA-28002
  // "the password will expire within n days"), empty when there was none.
  const std::wstring& logon_warning() const { return logon_warning_; }
  // Logs off when a session is open (committing its open work, as the end of
  // a session does), for an end of the process that skips the destructor.
  void end_session() noexcept;

  // Rows of the table `name` (quoted), or of the query text when is_query.
  int32_t get_records_cnt(const std::wstring& name, bool is_query);
  // major * 65536 + minor * 256 + patch of the server, 0 when unreadable.
  int32_t get_version();

  bool is_initialized() const { return initialized_; }
  bool is_connected() const { return svc_ != nullptr; }
  const std::wstring& data_source() const { return data_source_; }
  const std::wstring& user() const { return user_; }

  // The handles of the session bound to the calling thread, else the
  // engine's own; asking for one that does not exist yet is an internal
  // assertion failure.
  OCIEnv* env() const;
  OCIError* err() const;
  OCISvcCtx* svc() const;

  // Binds `handles` to the calling thread (null: the engine's own again).
  // The caller keeps them alive while they are bound.
  static void bind_thread_session(const ora_session_handles* handles) { bound_ = handles; }
  const std::wstring& password() const { return password_; }

 private:
  static inline thread_local const ora_session_handles* bound_ = nullptr;
  bool initialized_ = false;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
  std::wstring logon_warning_;

  // Record 1 of a handle's errors (OCI_HTYPE_ENV or OCI_HTYPE_ERROR), empty
  // when there is none.
  std::wstring client_error_text(void* handle, ub4 type) const;
  std::wstring data_source_;
  std::wstring user_;
  std::wstring password_;
};

// The status check after every checked OCI call: OCI_ERROR (-1) raises
// ora_exception with record 1 of the session's error handle, and
// OCI_INVALID_HANDLE (-2) a level-1 tk_exception (it has no error record);
// success, success with info, no data and need data pass. `call` names the
// OCI function for the trace and the message.
void check_oci_status(sword status, const char* call = nullptr);

// The version of a v$version banner: the first blank-separated word that
// starts with a digit and reads as three dotted numbers; 0 when none does.
int32_t ora_parse_version(const std::wstring& banner);
