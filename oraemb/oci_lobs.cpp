// The exported OCI entry points of LOB locators (write, read, length,
// character set form and id) and of datetime descriptors.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "oci/oci_types.h"
#include "oraemb/bind_values.h"
#include "oraemb/oci_entry.h"
#include "oraemb/oci_handles.h"
#include "oraemb/parser.h"
#include "oraemb/trace.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

// A CLOB or NCLOB is written and read in its own character set form only:
// SQLCS_IMPLICIT for a CLOB, SQLCS_NCHAR for an NCLOB (ORA-24806 otherwise,
// as a server answers). A BLOB has no form.
void check_lob_form(const LobH& loc, ub1 csfrm) {
  if (loc.kind == Kind::Blob) return;
  if (csfrm != loc.form) raise(24806);
}

// The buffer of a LOB read or write is UTF-16 for csid OCI_UTF16ID, and for
// csid 0 in an environment created with OCI_UTF16 (0 takes the client's
// character set, which such an environment sets to UTF-16); any other csid
// is taken as UTF-8.
bool buffer_is_utf16(const EnvH& env, ub2 csid) {
  return csid == OCI_UTF16ID || (csid == 0 && env.utf16);
}

}  // namespace
}  // namespace oraemb

using namespace oraemb;

namespace {
// Checks a locator against the session and transaction rules of LOB writes.
LobH* usable_locator(SvcH* svc, OCILobLocator* locp) {
  LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return nullptr;
  if (!loc->valid || loc->ref.table_obj == 0 || loc->session != svc->session.get()) raise(22275);
  return loc;
}

// A locator's LOB value: as its query read it, or as stored now for a
// locator selected FOR UPDATE (`read` holds that value).
const std::string& lob_contents(Session& session, const LobH& loc, std::optional<Value>& read) {
  if (loc.fetched) return *loc.fetched;
  read = session.lob_read(loc.ref, loc.kind);
  if (!read) raise(22275);
  return read->bytes;
}
}  // namespace

OCI_EXPORT sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                             ub4 offset, void* bufp, ub4 buflen, ub1 piece, void*,
                             OCICallbackLobWrite, ub2 csid, ub1 csfrm) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobWrite);
    LobH* loc = usable_locator(svc, locp);
    if (!amtp || !bufp || offset < 1 || piece != OCI_ONE_PIECE) raise(24801);
    check_lob_form(*loc, csfrm);
    if (!loc->ref.for_update) raise(22920);
    if (loc->txn != svc->session->transaction_id()) raise(22990);
    svc->session->begin_lob_write();
    auto current = svc->session->lob_read(loc->ref, loc->kind);
    if (!current) raise(22275);
    ub4 amount = *amtp;
    if (loc->kind == Kind::Blob) {
      if (buflen < amount) raise(24801);
      std::string data = current->bytes;
      size_t at = offset - 1;
      if (data.size() < at) data.resize(at, '\0');  // a gap is zero-filled
      std::string piece_bytes(static_cast<const char*>(bufp), amount);
      data.replace(at, std::min(data.size() - at, piece_bytes.size()), piece_bytes);
      svc->session->lob_write(loc->ref, loc->kind, data);
    } else {
      // CLOB amounts and offsets count characters: UTF-16 code units in a
      // UTF-16 environment, where the buffer must hold 2 bytes per character.
      std::u16string text = utf8_to_utf16(current->bytes);
      std::u16string chunk;
      if (buffer_is_utf16(*svc->env, csid)) {
        if (static_cast<uint64_t>(buflen) < 2ULL * amount) raise(24801);
        chunk.assign(amount, u'\0');
        std::memcpy(chunk.data(), bufp, 2ULL * amount);
      } else {
        if (buflen < amount) raise(24801);
        chunk = utf8_to_utf16(std::string(static_cast<const char*>(bufp), buflen));
        chunk.resize(std::min<size_t>(chunk.size(), amount));
      }
      size_t at = offset - 1;
      if (text.size() < at) text.resize(at, u' ');  // a gap is filled with blanks
      text.replace(at, std::min(text.size() - at, chunk.size()), chunk);
      std::string stored = utf16_to_utf8(text);
      // A CLOB holds what the database character set holds; an NCLOB keeps
      // every character.
      if (loc->form != SQLCS_NCHAR)
        stored = to_charset_repertoire(stored, svc->session->profile().database_charset);
      svc->session->lob_write(loc->ref, loc->kind, stored);
      amount = static_cast<ub4>(chunk.size());
    }
    *amtp = amount;
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                            ub4 offset, void* bufp, ub4 bufl, void*, OCICallbackLobRead, ub2 csid,
                            ub1 csfrm) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&]() -> sword {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobRead);
    LobH* loc = usable_locator(svc, locp);
    if (!amtp || !bufp || offset < 1) raise(24801);
    check_lob_form(*loc, csfrm);
    std::optional<Value> current;
    const std::string& stored = lob_contents(*svc->session, *loc, current);
    size_t at = offset - 1;
    if (loc->kind == Kind::Blob) {
      const std::string& data = stored;
      if (at >= data.size()) {
        *amtp = 0;
        return OCI_NO_DATA;
      }
      size_t want = *amtp == 0 ? data.size() - at : std::min<size_t>(*amtp, data.size() - at);
      size_t n = std::min<size_t>(want, bufl);
      std::memcpy(bufp, data.data() + at, n);
      *amtp = static_cast<ub4>(n);
      return n < want ? OCI_NEED_DATA : OCI_SUCCESS;
    }
    // A CLOB is read from where the locator's previous read of the same
    // value ended, never converted whole: a value read piece by piece costs
    // its length, not its length times the pieces.
    Utf16Mark mark;
    if (loc->fetched && loc->read_of == loc->fetched && loc->read_mark.units <= at)
      mark = loc->read_mark;
    const size_t limit = *amtp == 0 ? SIZE_MAX : *amtp;
    size_t n = 0;
    if (buffer_is_utf16(*svc->env, csid)) {
      const std::u16string piece = utf16_piece(stored, at, std::min<size_t>(limit, bufl / 2), mark);
      n = piece.size();
      std::memcpy(bufp, piece.data(), n * 2);
    } else {
      // UTF-8 client: whole characters that fit into the buffer.
      const std::string piece = utf8_piece(stored, at, limit, bufl, mark, n);
      std::memcpy(bufp, piece.data(), piece.size());
    }
    loc->read_of = loc->fetched;
    loc->read_mark = mark;
    if (n == 0 && mark.bytes >= stored.size()) {
      *amtp = 0;
      return OCI_NO_DATA;
    }
    *amtp = static_cast<ub4>(n);
    // Less than asked for (all of the rest, for an amount of 0) and more
    // left: the caller reads on.
    // (The mark is before any unread unit, the second half of a pair too.)
    const bool more = mark.bytes < stored.size();
    return more && n < limit ? OCI_NEED_DATA : OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                 ub4* lenp) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobLength);
    LobH* loc = usable_locator(svc, locp);
    std::optional<Value> current;
    const std::string& stored = lob_contents(*svc->session, *loc, current);
    if (lenp)
      *lenp = static_cast<ub4>(loc->kind == Kind::Blob ? stored.size() : utf16_length(stored));
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                   ub1* csfrm) {
  if (!registry::valid(envhp, OCI_HTYPE_ENV) || !csfrm) return OCI_INVALID_HANDLE;
  const LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return OCI_INVALID_HANDLE;
  (void)errhp;
  *csfrm = static_cast<ub1>(loc->kind == Kind::Blob ? 0 : loc->form);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr,
                                    ub1* mnth, ub1* dy) {
  (void)err;
  if (!env_of(hndl) || !yr || !mnth || !dy) return OCI_INVALID_HANDLE;
  const DateTimeH* dt = handle_cast<DateTimeH>(date, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  *yr = static_cast<sb2>(dt->value.year);
  *mnth = static_cast<ub1>(dt->value.month);
  *dy = static_cast<ub1>(dt->value.day);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr,
                                    ub1* mm, ub1* ss, ub4* fsec) {
  (void)err;
  if (!env_of(hndl) || !hr || !mm || !ss || !fsec) return OCI_INVALID_HANDLE;
  const DateTimeH* dt = handle_cast<DateTimeH>(datetime, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  *hr = static_cast<ub1>(dt->value.hour);
  *mm = static_cast<ub1>(dt->value.minute);
  *ss = static_cast<ub1>(dt->value.second);
  *fsec = static_cast<ub4>(dt->value.nanos);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeConstruct(void* hndl, OCIError* errhp, OCIDateTime* datetime, sb2 yr,
                                      ub1 mnth, ub1 dy, ub1 hr, ub1 mm, ub1 ss, ub4 fsec, OraText*,
                                      size_t) {
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!env_of(hndl) || !err) return OCI_INVALID_HANDLE;
  DateTimeH* dt = handle_cast<DateTimeH>(datetime, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (yr < -4712 || yr > 9999 || yr == 0) raise(1841);
    if (mnth < 1 || mnth > 12) raise(1843);
    if (dy < 1 || dy > days_in_month(yr, mnth)) raise(1847);
    if (hr > 23) raise(1850);
    if (mm > 59) raise(1851);
    if (ss > 59) raise(1852);
    if (fsec > 999999999) raise(1880);
    OraDate d;
    d.year = yr;
    d.month = mnth;
    d.day = dy;
    d.hour = hr;
    d.minute = mm;
    d.second = ss;
    d.nanos = static_cast<int>(fsec);
    d.precision = 9;
    dt->value = d;
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                 ub2* csid) {
  if (!registry::valid(envhp, OCI_HTYPE_ENV) || !csid) return OCI_INVALID_HANDLE;
  const LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return OCI_INVALID_HANDLE;
  (void)errhp;
  *csid = loc->kind == Kind::Blob ? 0 : loc->form == SQLCS_NCHAR ? 2000 : 873;
  return OCI_SUCCESS;
}
