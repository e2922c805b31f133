// ora_engine: initialization, logon and logoff, the status check, and the
// record-count and version queries.
#include "ORA/ora_engine.h"

#include <vector>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_database.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

// Bytes of error text asked of OCIErrorGet.
constexpr ub4 kErrorTextBytes = 512;
// Bytes of the v$version banner buffer.
constexpr size_t kVersionBytes = 131072;
// Bytes of the buffer for the banner of OCIServerRelease / OCIServerVersion.
constexpr size_t kServerBannerBytes = 1024;
// User memory asked with the error and server handles.
constexpr size_t kHandleUserMemory = 52;

std::u16string utf16(const std::wstring& text) {
  return tk_wide_to_utf16(text);
}

const OraText* text_ptr(const std::u16string& text) {
  return reinterpret_cast<const OraText*>(text.c_str());
}

ub4 bytes(const std::u16string& text) {
  return static_cast<ub4>(text.size() * 2);
}

// The text of a UTF-16 buffer up to its first null, never past `units`.
std::wstring from_utf16_buffer(const char16_t* buffer, size_t units) {
  size_t n = 0;
  while (n < units && buffer[n] != 0) ++n;
  return tk_utf16_to_wide(std::u16string_view(buffer, n));
}

// Reads "d.d.d" at the start of `word`; false when it does not.
bool read_three_numbers(const std::wstring& word, int32_t out[3]) {
  size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= word.size() || word[pos] != L'.') return false;
      ++pos;
    }
    if (pos >= word.size() || word[pos] < L'0' || word[pos] > L'9') return false;
    int64_t value = 0;
    while (pos < word.size() && word[pos] >= L'0' && word[pos] <= L'9') {
      if (value < 0x7FFFFFFF) value = value * 10 + (word[pos] - L'0');
      ++pos;
    }
    out[i] = static_cast<int32_t>(value > 0xFFFF ? 0xFFFF : value);
  }
  return true;
}

}  // namespace

int32_t ora_parse_version(const std::wstring& banner) {
  size_t start = 0;
  while (start < banner.size()) {
    size_t end = banner.find(L' ', start);
    if (end == std::wstring::npos) end = banner.size();
    const std::wstring word = banner.substr(start, end - start);
    start = end + 1;
    if (word.empty() || word[0] < L'0' || word[0] > L'9') continue;
    int32_t v[3];
    if (!read_three_numbers(word, v)) continue;
    tk_trace(1, "Got Oracle version: %d,%d,%d", v[0], v[1], v[2]);
    return v[0] * 65536 + v[1] * 256 + v[2];
  }
  return 0;
}

void check_oci_status(sword status, const char* call) {
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO || status == OCI_NO_DATA ||
      status == OCI_NEED_DATA)
    return;
  if (status == OCI_INVALID_HANDLE) {
    // A handle the client does not know: no error record exists for it.
    tk_trace(3, "%s failed: invalid handle", call ? call : "OCI call");
    throw tk_exception(std::string("The Oracle client refused a handle in ") +
                           (call ? call : "an OCI call") + " (OCI_INVALID_HANDLE).",
                       TK_LEVEL_RUN);
  }
  if (status != OCI_ERROR) return;
  const ora_engine& engine = ora_engine::instance();
  char16_t text[kErrorTextBytes / 2] = {};
  sb4 code = 0;
  oci_api().OCIErrorGet(engine.err(), 1, nullptr, &code, reinterpret_cast<OraText*>(text),
                        kErrorTextBytes, OCI_HTYPE_ERROR);
  const std::string message =
      tk_utf16_to_utf8(std::u16string_view(text, std::char_traits<char16_t>::length(text)));
  tk_trace(3, "%s failed: %s", call ? call : "OCI call", message);
  throw ora_exception(code, message);
}

ora_engine::ora_engine() {
  tk_trace(2, "ora_engine::ctor");
}

ora_engine::~ora_engine() {
  tk_trace(2, "ora_engine::dtor");
  if (!initialized_) return;
  end_session();
  // A destructor cannot raise: failures are traced and shutdown goes on.
  if (oci_api().OCIHandleFree(err_, OCI_HTYPE_ERROR) == OCI_ERROR)
    tk_trace(3, "OCIHandleFree failed during shutdown");
  err_ = nullptr;
  data_source_.clear();
  user_.clear();
  password_.clear();
}

void ora_engine::end_session() noexcept {
  if (svc_ == nullptr) return;
  // OCILogoff commits the session's open work, as its end does on a
  // server, and deallocates the service context (it is not freed again).
  OCISvcCtx* svc = svc_;
  svc_ = nullptr;
  if (oci_api().OCILogoff(svc, err_) == OCI_ERROR) tk_trace(3, "OCILogoff failed at the end");
}

std::wstring ora_engine::client_error_text(void* handle, ub4 type) const {
  char16_t text[kErrorTextBytes / 2] = {};
  sb4 code = 0;
  if (handle == nullptr ||
      oci_api().OCIErrorGet(handle, 1, nullptr, &code, reinterpret_cast<OraText*>(text),
                            kErrorTextBytes, type) != OCI_SUCCESS)
    return {};
  std::wstring message =
      tk_utf16_to_wide(std::u16string_view(text, std::char_traits<char16_t>::length(text)));
  while (!message.empty() && (message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  return message;
}

void ora_engine::initialize() {
  tk_trace(2, "ora_engine::initialize");
  oci_load();
  const oci_functions& oci = oci_api();
  // A bad NLS_LANG or a client without its message files fails here: the
  // reason is an error record of the environment handle, when there is one.
  const sword created =
      oci.OCIEnvCreate(&env_, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  tk_trace(1, "Step #1");
  if (created != OCI_SUCCESS && created != OCI_SUCCESS_WITH_INFO) {
    const std::wstring reason = client_error_text(env_, OCI_HTYPE_ENV);
    tk_wtrace(3, L"OCIEnvCreate failed (%d): %s", created, reason);
    if (env_ != nullptr) oci.OCIHandleFree(env_, OCI_HTYPE_ENV);
    env_ = nullptr;
    throw tk_exception(L"The Oracle client could not start" +
                           (reason.empty() ? std::wstring(L" (OCIEnvCreate status ") +
                                                 std::to_wstring(created) + L")"
                                           : L": " + reason) +
                           L".\nCheck NLS_LANG and the Oracle client installation.",
                       TK_LEVEL_RUN);
  }
  void* handle = nullptr;
  const sword allocated =
      oci.OCIHandleAlloc(env_, &handle, OCI_HTYPE_ERROR, kHandleUserMemory, nullptr);
  if (allocated != OCI_SUCCESS || handle == nullptr) {
    const std::wstring reason = client_error_text(env_, OCI_HTYPE_ENV);
    throw tk_exception(L"The Oracle client could not allocate an error handle" +
                           (reason.empty() ? std::wstring() : L": " + reason) + L".",
                       TK_LEVEL_RUN);
  }
  err_ = static_cast<OCIError*>(handle);
  tk_trace(1, "Step #2");
  // OCILogon attaches its own server and session: no server handle is
  // attached here (an empty connect string would attach to the default
  // database, a second connection or a timeout at start-up).
  initialized_ = true;
}

std::unique_ptr<ora_database> ora_engine::open_db(const std::wstring& host,
                                                  const std::wstring& user,
                                                  const std::wstring& password,
                                                  const std::wstring& port,
                                                  const std::wstring& service) {
  tk_wtrace(2, L"ora_engine::open_db (%s,%s,%s,%s,%s)", host, user, tk_mask_password(password),
            port, service);
  const std::wstring data_source =
      L"//" + host + L":" + (port.empty() ? std::wstring(L"1521") : port) + L"/" + service;
  return open_db(data_source, user, password);
}

std::unique_ptr<ora_database> ora_engine::open_db(const std::wstring& data_source,
                                                  const std::wstring& user,
                                                  const std::wstring& password) {
  tk_wtrace(2, L"ora_engine::open_db( %s, %s, %s )", data_source, user, tk_mask_password(password));
  tk_wtrace(3, L"Connecting to Oracle data source '%s'", data_source);
  if (!initialized_) initialize();
  const oci_functions& oci = oci_api();
  if (svc_ != nullptr) {
    OCISvcCtx* old = svc_;
    svc_ = nullptr;
    check_oci_status(oci.OCILogoff(old, err_), "OCILogoff");
  }
  logon_warning_.clear();
  const std::u16string u = utf16(user), p = utf16(password), d = utf16(data_source);
  OCISvcCtx* svc = nullptr;
  const sword status = oci.OCILogon(env_, err_, &svc, text_ptr(u), bytes(u), text_ptr(p), bytes(p),
                                    text_ptr(d), bytes(d));
  // No session is kept after a failed logon.
  check_oci_status(status, "OCILogon");
  if (status == OCI_SUCCESS_WITH_INFO) {
    // ORA-28002 (the password will expire) and the like: the session is
    // open, and the user must learn of it.
    logon_warning_ = client_error_text(err_, OCI_HTYPE_ERROR);
    tk_wtrace(3, L"Logon warning: %s", logon_warning_);
  }
  svc_ = svc;
  tk_trace(3, "The connection has been established");
  data_source_ = data_source;
  user_ = user;
  password_ = password;
  return std::make_unique<ora_database>(data_source);
}

int32_t ora_engine::get_records_cnt(const std::wstring& name, bool is_query) {
  tk_wtrace(2, L"ora_engine::get_records_cnt(%s)", name);
  const std::wstring sql = is_query ? L"SELECT COUNT(*) FROM (" + name + L")"
                                    : L"SELECT COUNT(*) FROM \"" + name + L"\"";
  ora_stmt stmt;
  stmt.prepare(sql);
  int32_t count = 0;
  sb2 indicator = 0;
  stmt.define(1, &count, sizeof count, SQLT_INT, &indicator, nullptr);
  TK_ASSERT(stmt.execute(1, OCI_DEFAULT) != OCI_NO_DATA);
  return count;
}

int32_t ora_engine::get_version() {
  tk_trace(2, "ora_engine::get_version");
  OCISvcCtx* const session = svc();
  OCIError* const errors = err();
  // The release from the server handshake needs no privilege; V$VERSION,
  // which hardened databases do not grant, is the last resort.
  const oci_functions& oci = oci_api();
  std::vector<char16_t> text(kServerBannerBytes / 2, 0);
  ub4 release = 0;
  if (oci.OCIServerRelease != nullptr &&
      oci.OCIServerRelease(session, errors, reinterpret_cast<OraText*>(text.data()),
                           static_cast<ub4>(kServerBannerBytes), OCI_HTYPE_SVCCTX,
                           &release) == OCI_SUCCESS &&
      release != 0) {
    tk_wtrace(1, L"Got server release %s", from_utf16_buffer(text.data(), text.size()));
    return static_cast<int32_t>((release >> 24 & 0xFF) << 16 | (release >> 20 & 0x0F) << 8 |
                                (release >> 12 & 0xFF));
  }
  if (oci.OCIServerVersion != nullptr &&
      oci.OCIServerVersion(session, errors, reinterpret_cast<OraText*>(text.data()),
                           static_cast<ub4>(kServerBannerBytes), OCI_HTYPE_SVCCTX) == OCI_SUCCESS) {
    const std::wstring banner = from_utf16_buffer(text.data(), text.size());
    tk_wtrace(1, L"Got server version %s", banner);
    if (const int32_t version = ora_parse_version(banner); version != 0) return version;
  }
  ora_stmt stmt;
  stmt.prepare(L"select * from v$version");
  std::vector<char16_t> buffer(kVersionBytes / 2, 0);
  sb2 indicator = 0;
  stmt.define(1, buffer.data(), static_cast<sb4>(kVersionBytes), SQLT_STR, &indicator, nullptr);
  TK_ASSERT(stmt.execute(1, OCI_DEFAULT) != OCI_NO_DATA);
  const std::wstring banner =
      indicator == OCI_IND_NULL ? std::wstring() : from_utf16_buffer(buffer.data(), buffer.size());
  tk_wtrace(1, L"Got versioned string:\n%s", banner);
  return ora_parse_version(banner);
}

OCIEnv* ora_engine::env() const {
  OCIEnv* env = bound_ != nullptr ? bound_->env : env_;
  TK_ASSERT(env != nullptr);
  return env;
}

OCIError* ora_engine::err() const {
  OCIError* err = bound_ != nullptr ? bound_->err : err_;
  TK_ASSERT(err != nullptr);
  return err;
}

OCISvcCtx* ora_engine::svc() const {
  OCISvcCtx* svc = bound_ != nullptr ? bound_->svc : svc_;
  TK_ASSERT(svc != nullptr);
  return svc;
}
