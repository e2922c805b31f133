// The column readers: describe reading, defines, and the conversion of the
// fetched bytes into variant values. Text crosses OCI as UTF-16 (the session's
// environment is in UTF-16 mode); lengths returned by OCI are in bytes.
#include "ORA/ora_type.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_charset.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_timestamp.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

// Capacities of the text readers, in characters.
constexpr uint32_t kLongChars = 1000000;
// A logical ROWID (index-organized tables) has up to 4000 characters.
constexpr uint32_t kRowidChars = 4000;
// "+000000001 02:03:04.123456789": an INTERVAL DAY(9) TO SECOND(9) is 29.
constexpr uint32_t kIntervalChars = 64;
// Bytes of the number text buffer.
constexpr size_t kNumberBytes = 510;

template <class T>
void get_param_attr(OCIParam* param, T* value, ub4 attribute, ub4* size = nullptr) {
  check_oci_status(oci_api().OCIAttrGet(param, OCI_DTYPE_PARAM, value, size, attribute,
                                        ora_engine::instance().err()),
                   "OCIAttrGet");
}

// Text of a UTF-16 buffer up to its first null, never past `units`.
std::wstring text_until_null(const char16_t* buffer, size_t units) {
  size_t n = 0;
  while (n < units && buffer[n] != 0) ++n;
  return tk_utf16_to_wide(std::u16string_view(buffer, n));
}

}  // namespace

// ---------------------------------------------------------------------------
// ora_type

ora_type::ora_type(OCIParam* param) {
  TK_ASSERT(param != nullptr);
  get_param_attr(param, &data_type_, OCI_ATTR_DATA_TYPE);
  tk_trace(2, "ora_type::ctor(%d)", data_type_);
  tk_trace(1, "Step #1");
  OraText* name = nullptr;
  ub4 name_bytes = 0;
  get_param_attr(param, &name, OCI_ATTR_NAME, &name_bytes);
  tk_trace(1, "mypard5=%08X", name_bytes);
  if (name != nullptr)
    name_ = tk_utf16_to_wide(
        std::u16string_view(reinterpret_cast<const char16_t*>(name), name_bytes / 2));
  tk_wtrace(1, L"AS WCHAR*: %s", name_);
  ub1 is_null = 1;
  get_param_attr(param, &is_null, OCI_ATTR_IS_NULL);
  nullable_ = is_null != 0;
  get_param_attr(param, &data_size_, OCI_ATTR_DATA_SIZE);
  // Lengths in characters and the character set form exist for character
  // columns and CLOBs only.
  if (data_type_ == SQLT_CHR || data_type_ == SQLT_AFC || data_type_ == SQLT_STR ||
      data_type_ == SQLT_CLOB) {
    ub1 form = 0;
    get_param_attr(param, &form, OCI_ATTR_CHARSET_FORM);
    charset_form_ = form;
    if (data_type_ != SQLT_CLOB) {
      ub1 used = 0;
      get_param_attr(param, &char_size_, OCI_ATTR_CHAR_SIZE);
      get_param_attr(param, &used, OCI_ATTR_CHAR_USED);
      char_used_ = used != 0;
    }
  }
  tk_trace(1, "data size=%d, char size=%d, char used=%d, form=%d", data_size_, char_size_,
           char_used_ ? 1 : 0, charset_form_);
  tk_trace(1, "Step #3");
}

ora_type::~ora_type() = default;

VARTYPE ora_type::vartype_of(ub2 data_type) {
  switch (data_type) {
    case 2:
    case 4:
    case 6:
    case 7:
    case SQLT_IBFLOAT:
    case SQLT_IBDOUBLE:
      return VT_R8;
    case 3:
      return VT_I4;
    case 180:  // TIMESTAMP (internal and external code): to 100 ns (ora_timestamp)
    case SQLT_TIMESTAMP:
      return VT_FILETIME;
    case 12:
    case 181:  // TIMESTAMP WITH TIME ZONE (internal code)
    case SQLT_DATE:
    case SQLT_TIMESTAMP_TZ:
    case 231:  // TIMESTAMP WITH LOCAL TIME ZONE (internal code)
    case SQLT_TIMESTAMP_LTZ:
      return VT_DATE;
    case 23:
    case 24:
    case 113:
    case 114:
      return VT_BLOB;
    default:
      return VT_BSTR;
  }
}

std::wstring ora_type::type_name(ub2 data_type) {
  switch (data_type) {
    case SQLT_NTY:
      return L"XMLTYPE or another object type";
    case SQLT_BFILE:
      return L"BFILE";
    case SQLT_BOL:
      return L"BOOLEAN";
    case 58:
      return L"OPAQUE";
    case 111:
      return L"REF";
    case 119:
      return L"JSON";
    case 127:
      return L"VECTOR";
    case 208:
      return L"UROWID";
    default:
      return L"type code " + std::to_wstring(data_type);
  }
}

VARTYPE ora_type::get_vartype() const {
  return vartype_of(data_type_);
}

std::unique_ptr<t_ftd> ora_type::get_ftd() const {
  tk_trace(2, "ora_type::get_ftd");
  const VARTYPE vt = get_vartype();
  tk_wtrace(1, L"Got field '%s', type=%d, vartype=%d, lenght=%d, nullable=%d", name_, data_type_,
            vt, size_, nullable_ ? 1 : 0);
  return std::make_unique<t_ftd>(size_, name_, vt, !nullable_, false, ole_variant(),
                                 vt == VT_DATE ? 1u : 0u);
}

// ---------------------------------------------------------------------------
// ora_string

ora_string::ora_string(OCIParam* param) : ora_type(param) {
  // The size in characters; DATA_SIZE counts bytes of the database (or
  // national) character set: VARCHAR2(100 CHAR) in AL32UTF8 is 400 bytes,
  // NVARCHAR2(100) in AL16UTF16 200.
  size_ = char_size_ > 0 ? char_size_ : data_size_;
  // Every character takes at least one byte of the column and at most two
  // UTF-16 units, which then take at least two bytes: DATA_SIZE units hold
  // any value of the column.
  buffer_.assign(std::max<size_t>(data_size_, size_t{char_size_} * 2) + 1, 0);
}

void ora_string::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_string::define(%d)", position);
  define_ = stmt.define(position, buffer_.data(), static_cast<sb4>(buffer_.size() * 2), data_type_,
                        &indicator_, &returned_length_);
  ora_set_define_charset_form(define_, charset_form_);
}

ole_variant ora_string::to_variant() {
  // OCI does not terminate character defines: the returned length says where
  // this row's text ends, whatever an earlier, longer row left behind.
  const size_t units = std::min<size_t>(returned_length_ / 2, buffer_.size());
  return ole_variant(tk_utf16_to_wide(std::u16string_view(buffer_.data(), units)));
}

// ---------------------------------------------------------------------------
// ora_number

ora_number::ora_number(OCIParam* param) : ora_type(param) {
  sb2 precision = 0;
  sb1 scale = 0;
  get_param_attr(param, &precision, OCI_ATTR_PRECISION);
  get_param_attr(param, &scale, OCI_ATTR_SCALE);
  precision_ = precision;
  scale_ = scale;
  tk_trace(1, "Prec=%d, scale=%d", precision_, scale_ < 0 ? 0 : scale_);
  buffer_.assign(kNumberBytes / 2, 0);
}

VARTYPE ora_number::refine(int precision, int scale) {
  // FLOAT(p) has a binary precision and scale -127; it holds fractions.
  if (scale == -127) return VT_R8;
  if (scale < 0) scale = 0;
  if (precision == 0 || precision > 38) return VT_R8;
  if (scale == 0) {
    tk_trace(1, "Refine type mapping for int (prec=%d)", precision);
    if (precision <= 2) return VT_I1;
    if (precision <= 4) return VT_I2;
    return VT_I4;
  }
  return VT_DECIMAL;
}

VARTYPE ora_number::get_vartype() const {
  if (data_type_ == SQLT_IBFLOAT || data_type_ == SQLT_IBDOUBLE) return VT_R8;
  return refine(precision_, scale_);
}

std::unique_ptr<t_ftd> ora_number::get_ftd() const {
  tk_trace(2, "ora_number::get_ftd");
  std::unique_ptr<t_ftd> ftd = ora_type::get_ftd();
  if (ftd->vartype == VT_DECIMAL && scale_ > 0) {
    const int precision = precision_ == scale_ ? precision_ + 1 : precision_;
    ftd->extra = static_cast<uint32_t>(precision * 256 + scale_);
  }
  return ftd;
}

void ora_number::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_number::define(%d)", position);
  define_ = stmt.define(position, buffer_.data(), static_cast<sb4>(kNumberBytes), SQLT_STR,
                        &indicator_, &returned_length_);
}

ole_variant ora_number::read_number(const std::wstring& text, VARTYPE vartype) {
  if (vartype == VT_I1 || vartype == VT_I2 || vartype == VT_I4) {
    const std::string s = tk_trim(tk_to_utf8(text));
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    const bool integral = !s.empty() && end != nullptr && *end == '\0';
    if (integral && errno == ERANGE) {
      // Beyond 64 bits: a decimal keeps every digit up to 28 of them.
      ole_variant dec = ole_variant::from_wstring(text, VT_DECIMAL);
      return dec.get_type() == VT_DECIMAL ? dec : ole_variant::from_wstring(text, VT_R8);
    }
    if (integral) {
      const long long low = vartype == VT_I1 ? -128 : vartype == VT_I2 ? -32768 : INT32_MIN;
      const long long high = vartype == VT_I1 ? 127 : vartype == VT_I2 ? 32767 : INT32_MAX;
      if (value < low || value > high) return ole_variant(static_cast<int64_t>(value));
    }
  }
  if (vartype == VT_DECIMAL) {
    ole_variant dec = ole_variant::from_wstring(text, VT_DECIMAL);
    if (dec.get_type() == VT_DECIMAL) return dec;
    return ole_variant::from_wstring(text, VT_R8);
  }
  return ole_variant::from_wstring(text, vartype);
}

ole_variant ora_number::to_variant() {
  const std::wstring text = text_until_null(buffer_.data(), buffer_.size());
  tk_wtrace(1, L"ora_number::to_variant(buf=%s)", text);
  return read_number(text, get_vartype());
}

// ---------------------------------------------------------------------------
// ora_str_repr

ora_str_repr::ora_str_repr(OCIParam* param, uint32_t characters) : ora_type(param) {
  size_ = characters;
  // LONG RAW arrives as two hexadecimal digits per byte after "0x".
  text_offset_ = long_raw() ? 2 : 0;
  define_units_ = long_raw() ? size_t{characters} * 2 : characters;
  buffer_.assign(text_offset_ + define_units_ + 1, 0);
  if (long_raw()) {
    buffer_[0] = u'0';
    buffer_[1] = u'x';
  }
}

void ora_str_repr::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_str_repr::define(%d)", position);
  define_ =
      stmt.define(position, buffer_.data() + text_offset_, static_cast<sb4>(define_units_ * 2),
                  SQLT_STR, &indicator_, &returned_length_);
}

ole_variant ora_str_repr::to_variant() {
  const std::wstring text = text_until_null(buffer_.data(), buffer_.size());
  tk_wtrace(1, L"ora_str_repr::to_variant (buf=%s)", text);
  if (long_raw()) return ole_variant::from_wstring(text, VT_BLOB);
  return ole_variant(text);
}

// ---------------------------------------------------------------------------
// ora_date

ora_date::ora_date(OCIParam* param) : ora_type(param) {}

void ora_date::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_date::define(%d)", position);
  define_ =
      stmt.define(position, buffer_, sizeof buffer_, SQLT_DAT, &indicator_, &returned_length_);
}

SYSTEMTIME ora_date::decode(const uint8_t b[7]) {
  auto hundred = [](uint8_t v) { return v > 100 ? v - 100 : 100 - v; };
  auto canon = [](uint8_t v) {
    tk_trace(1, "ora_date::canon_dt_item(%d)", v);
    return v == 0 ? 0 : v - 1;
  };
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(hundred(b[0]) * 100 + hundred(b[1]));
  st.wMonth = b[2];
  st.wDay = b[3];
  st.wHour = static_cast<uint16_t>(canon(b[4]));
  st.wMinute = static_cast<uint16_t>(canon(b[5]));
  st.wSecond = static_cast<uint16_t>(canon(b[6]));
  return st;
}

ole_variant ora_date::to_variant() {
  tk_trace(2, "ora_date::to_variant(src=%02X%02X%02X%02X%02X%02X%02X)", buffer_[0], buffer_[1],
           buffer_[2], buffer_[3], buffer_[4], buffer_[5], buffer_[6]);
  const SYSTEMTIME st = decode(buffer_);
  tk_trace(1, "Got datetime: %02d/%02d/%04d %02d:%02d:%02d", st.wMonth, st.wDay, st.wYear, st.wHour,
           st.wMinute, st.wSecond);
  return ole_variant(st);
}

// ---------------------------------------------------------------------------
// ora_binary

ora_binary::ora_binary(OCIParam* param) : ora_type(param) {
  size_ = data_size_;
  buffer_.assign(size_ == 0 ? 1 : size_, 0);
}

void ora_binary::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_binary::define(%d)", position);
  define_ = stmt.define(position, buffer_.data(), static_cast<sb4>(buffer_.size()), data_type_,
                        &indicator_, &returned_length_);
}

ole_variant ora_binary::to_variant() {
  // Only the fetched bytes: a shorter value than the declared size must not
  // gain the bytes of an earlier row or the buffer's padding.
  const size_t n = std::min<size_t>(returned_length_, buffer_.size());
  return ole_variant(std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + n));
}

// ---------------------------------------------------------------------------
// ora_lob

ora_lob::ora_lob(OCIParam* param) : ora_type(param) {
  void* locator = nullptr;
  check_oci_status(oci_api().OCIDescriptorAlloc(ora_engine::instance().env(), &locator,
                                                OCI_DTYPE_LOB, 0, nullptr),
                   "OCIDescriptorAlloc");
  locator_ = static_cast<OCILobLocator*>(locator);
}

ora_lob::~ora_lob() {
  if (locator_ != nullptr) oci_api().OCIDescriptorFree(locator_, OCI_DTYPE_LOB);
}

void ora_lob::define(ora_stmt& stmt, ub4 position) {
  tk_trace(2, "ora_lob::define(%d)", position);
  define_ = stmt.define(position, &locator_, static_cast<sb4>(sizeof locator_), data_type_,
                        &indicator_, nullptr);
}

ole_variant ora_lob::to_variant() {
  tk_trace(2, "ora_lob::to_variant");
  TK_ASSERT(data_type_ == SQLT_CLOB || data_type_ == SQLT_BLOB);
  const ora_engine& engine = ora_engine::instance();
  const oci_functions& oci = oci_api();
  const bool clob = data_type_ == SQLT_CLOB;
  ub1 form = SQLCS_IMPLICIT;
  if (clob) {
    check_oci_status(oci.OCILobCharSetForm(engine.env(), engine.err(), locator_, &form),
                     "OCILobCharSetForm");
    tk_trace(1, "Got charset form: %d", form);
  }
  if (piece_.empty()) piece_.resize(kPieceBytes);
  std::vector<uint8_t>& piece = piece_;
  std::vector<uint8_t> bytes;
  std::u16string text;
  ub4 offset = 1;
  // Each read asks for as much as the buffer holds (characters of UTF-16
  // for a CLOB, bytes for a BLOB); a shorter answer or OCI_NO_DATA is the
  // end. (An amount of 0 would ask for streaming, which expects
  // OCI_NEED_DATA polling at the same offset instead.)
  const ub4 capacity = clob ? kPieceBytes / 2 : kPieceBytes;
  for (;;) {
    tk_trace(1, "ora_lob::read_lob(%d,%d)", offset, kPieceBytes);
    ub4 amount = capacity;
    const sword status =
        oci.OCILobRead(engine.svc(), engine.err(), locator_, &amount, offset, piece.data(),
                       kPieceBytes, nullptr, nullptr, clob ? OCI_UTF16ID : 0, form);
    if (status == OCI_NO_DATA) break;
    check_oci_status(status, "OCILobRead");
    if (amount == 0) break;
    // The amounts count characters (UTF-16 units) for a CLOB and bytes for
    // a BLOB.
    if (clob) {
      const size_t units = std::min<size_t>(amount, kPieceBytes / 2);
      const size_t start = text.size();
      text.resize(start + units);
      std::memcpy(text.data() + start, piece.data(), units * 2);
    } else {
      const size_t n = std::min<size_t>(amount, kPieceBytes);
      bytes.insert(bytes.end(), piece.begin(), piece.begin() + n);
    }
    offset += amount;
    if (amount < capacity) break;
  }
  if (clob) return ole_variant(tk_utf16_to_wide(text));
  return ole_variant(bytes);
}

// ---------------------------------------------------------------------------
// ora_dummy

ora_dummy::ora_dummy(OCIParam* param) : ora_type(param) {}

void ora_dummy::define(ora_stmt&, ub4 position) {
  tk_trace(2, "ora_dummy::define(%d)", position);
}

ole_variant ora_dummy::to_variant() {
  return ole_variant(L"<unsupported type>");
}

// ---------------------------------------------------------------------------

std::unique_ptr<ora_type> gen_co_by_type(OCIParam* param, ub2 data_type) {
  tk_trace(2, "ora_query_results::gen_co_by_type(%d)", data_type);
  switch (data_type) {
    case 1:
    case 5:
    case 96:
      return std::make_unique<ora_string>(param);
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
    case SQLT_IBFLOAT:
    case SQLT_IBDOUBLE:
      return std::make_unique<ora_number>(param);
    case 8:
    case 24:
      return std::make_unique<ora_str_repr>(param, kLongChars);
    case 11:
    case 104:
    case 105:
      return std::make_unique<ora_str_repr>(param, kRowidChars);
    case 182:  // INTERVAL YEAR TO MONTH, DAY TO SECOND (internal codes)
    case 183:
    case SQLT_INTERVAL_YM:
    case SQLT_INTERVAL_DS:
      return std::make_unique<ora_str_repr>(param, kIntervalChars);
    case 180:
    case SQLT_TIMESTAMP:
      return std::make_unique<ora_timestamp>(param);
    case 12:
    case 181:
    case SQLT_DATE:
    case SQLT_TIMESTAMP_TZ:
    case 231:
    case SQLT_TIMESTAMP_LTZ:
      return std::make_unique<ora_date>(param);
    case 23:
      return std::make_unique<ora_binary>(param);
    case 112:
    case 113:
      return std::make_unique<ora_lob>(param);
    default:
      return std::make_unique<ora_dummy>(param);
  }
}
