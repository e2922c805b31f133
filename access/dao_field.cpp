// dao_field: reading one DAO Field, its type and its text.
#include "access/dao_field.h"

#include "TK/tk_trace.h"
#include "access/dao_calls.h"
#include "access/dao_exception.h"

namespace {
constexpr char kDayZero[] = "1899-12-30";
constexpr size_t kDayZeroLength = sizeof(kDayZero) - 1;
}  // namespace

dao_field::dao_field(ole_com_ptr<DAOField> field, bool read_value) : field_(std::move(field)) {
  tk_trace(2, "dao_field::ctor");
  TK_ASSERT(field_);
  name = dao_text([&](BSTR* b) { return field_->get_Name(b); });
  int32_t declared = 0;
  dao_check(field_->get_Size(&declared));
  size = static_cast<uint32_t>(declared);
  VARIANT_BOOL required = VARIANT_FALSE;
  dao_check(field_->get_Required(&required));
  b_not_null = required == VARIANT_TRUE;
  int32_t attributes = 0;
  dao_check(field_->get_Attributes(&attributes));
  b_autoincrement = (attributes & DAO_AUTO_INCR_FIELD) != 0;
  if (read_value) this->read_value();
}

std::unique_ptr<dao_field> dao_field::of_current_row(const dao_field& column) {
  auto field = std::make_unique<dao_field>(column);
  field->read_value();
  return field;
}

void dao_field::read_value() {
  // A text's block is lent to the read, which refills it when the new text
  // fits: a field read row after row (a reused record) keeps its block.
  VARIANT value;
  VariantInit(&value);
  if (var_.vt == VT_BSTR) {
    value = var_;
    VariantInit(&var_);
  }
  const HRESULT hr = field_->ReadValue(&value);
  if (FAILED(hr)) {
    VariantClear(&value);
    dao_check(hr);
  }
  if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
    set_bstr(value.bstrVal);
  } else {
    attach_variant(value);  // VT_DATE also fills the calendar form
    VariantClear(&value);
  }
  if (var_.vt == VT_NULL) tk_trace(1, "*** NULL *** ");
  if (var_.vt == VT_DATE) tk_trace(1, "Special processing for VT_DATE");
  // The text is built only for a trace that takes it: made for every field
  // of every row, it cost more than reading the value (callgrind).
  if (tk_log* log = tk_detail::active_log(); log && log->wants(1))
    tk_trace(1, "Got DAO field: %s", to_string());
}

dao_field::~dao_field() = default;

VARTYPE dao_field::get_vartype(int16_t dao_type) {
  tk_trace(1, "dao_field::get_vartype(%d)", dao_type);
  switch (dao_type) {
    case DAO_TYPE_BOOLEAN:
      return VT_BOOL;
    case DAO_TYPE_BYTE:
      return VT_UI1;
    case DAO_TYPE_INTEGER:
      return VT_I2;
    case DAO_TYPE_LONG:
      return VT_I4;
    case DAO_TYPE_CURRENCY:
      return VT_CY;
    case DAO_TYPE_SINGLE:
      return VT_R4;
    case DAO_TYPE_DOUBLE:
      return VT_R8;
    case DAO_TYPE_DATE:
    case DAO_TYPE_TIME:
      return VT_DATE;
    case DAO_TYPE_TEXT:
    case DAO_TYPE_MEMO:
      return VT_BSTR;
    case DAO_TYPE_BIG_INT:
      // Its values arrive as 64-bit integers; as binary every one of them
      // would be refused by the destination.
      return VT_I8;
    case DAO_TYPE_NUMERIC:
    case DAO_TYPE_DECIMAL:
    case DAO_TYPE_FLOAT:
      return VT_R8;
    case DAO_TYPE_DATE_TIME_EXTENDED:  // 100 ns from year 1: no VT_DATE holds that
      return VT_FILETIME;
    case DAO_TYPE_ATTACHMENT:
    case DAO_TYPE_COMPLEX_BYTE:  // ... DAO_TYPE_COMPLEX_TEXT: multi-value fields
    case DAO_TYPE_COMPLEX_INTEGER:
    case DAO_TYPE_COMPLEX_LONG:
    case DAO_TYPE_COMPLEX_SINGLE:
    case DAO_TYPE_COMPLEX_DOUBLE:
    case DAO_TYPE_COMPLEX_GUID:
    case DAO_TYPE_COMPLEX_DECIMAL:
    case DAO_TYPE_COMPLEX_TEXT:
      // The column keeps the number of the row's values; the values go to
      // a child table (dao_database::get_child_table).
      return VT_I4;
    default:  // binary, long binary, GUID, VarBinary, Char, 13, 14, others
      return VT_BLOB;
  }
}

VARTYPE dao_field::get_type() const {
  tk_trace(1, "dao_field::get_type");
  if (var_.vt != VT_EMPTY) {
    tk_trace(1, "Use ole_variant::get_type");
    const VARTYPE vt = ole_variant::get_type();
    tk_trace(1, "vt1=%08X", vt);
    return vt;
  }
  tk_trace(1, "Use DAO methods to extract field type");
  int16_t type = 0;
  dao_check(field_->get_Type(&type));
  const VARTYPE vt = get_vartype(type);
  tk_trace(1, "vt2=%08X", vt);
  return vt;
}

std::string dao_field::fix_fake_date(std::string text) {
  const size_t at = text.find(kDayZero);
  if (at == std::string::npos) return text;
  tk_trace(1, "Fake date has been found");
  if (text.size() > kDayZeroLength) {
    text.replace(at, kDayZeroLength, "0000-00-00");
  } else {
    tk_trace(1, "Transform pure fake date to pure time");
    text.replace(at, kDayZeroLength, "00:00:00");
  }
  return text;
}

std::string dao_field::to_string() const {
  const VARTYPE vt = get_type();
  tk_trace(1, "dao_field::to_string(vt=%08X)", vt);
  if (var_.vt != VT_DATE) return ole_variant::to_string();
  return fix_fake_date(ole_variant::to_string());
}

std::wstring dao_field::to_wstring() const {
  const VARTYPE vt = get_type();
  tk_trace(1, "dao_field::to_wstring(vt=%08X)", vt);
  if (var_.vt != VT_DATE) return ole_variant::to_wstring();
  const std::string text = fix_fake_date(ole_variant::to_string());
  return std::wstring(text.begin(), text.end());  // dates print in ASCII
}
