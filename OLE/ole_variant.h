// ole_variant: one field value on its way from the source to the destination,
// and every default, literal and parameter in between. It owns an OLE
// Automation VARIANT and keeps beside it the 64-bit integers (VT_I8, VT_UI8)
// and the broken-down date of VT_DATE values. It prints any value as text,
// reads text as a value of a requested type, and converts between types.
// Owns its BSTR / byte array; copies are deep. Not thread-safe per instance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/automation/oleauto.h"
#include "OLE/ole_exceptions.h"

// The type code of a byte array value.
inline constexpr VARTYPE VT_BYTE_ARRAY = VT_ARRAY | VT_UI1;

// Whether values of the type are numbers: the integers of fixed size (VT_I1
// .. VT_UI8), VT_R4, VT_R8, VT_CY, VT_DECIMAL and VT_BOOL (a number to Jet
// and to Oracle). The machine-sized VT_INT and VT_UINT are not among them:
// no value carries them; a caller that meets them in a column description
// names them itself.
bool ole_is_numeric_type(VARTYPE vt);

class ole_variant {
 public:
  ole_variant();
  explicit ole_variant(bool value);
  explicit ole_variant(signed char value);
  explicit ole_variant(unsigned char value);
  explicit ole_variant(short value);
  explicit ole_variant(unsigned short value);
  explicit ole_variant(int value);
  explicit ole_variant(unsigned int value);
  explicit ole_variant(int64_t value);
  explicit ole_variant(uint64_t value);
  explicit ole_variant(long long value);           // VT_I8
  explicit ole_variant(unsigned long long value);  // VT_UI8
  explicit ole_variant(float value);
  explicit ole_variant(double value);
  explicit ole_variant(const CY& value);
  explicit ole_variant(const DECIMAL& value);
  explicit ole_variant(const SYSTEMTIME& value);
  explicit ole_variant(const wchar_t* value);  // VT_BSTR; null gives an empty BSTR
  explicit ole_variant(const char* value);     // as std::string (not bool)
  explicit ole_variant(const std::string& value);
  explicit ole_variant(const std::wstring& value);
  explicit ole_variant(const std::vector<uint8_t>& bytes);
  ole_variant(uint32_t length, const uint8_t* bytes);
  // Takes a copy of a VARIANT from a platform layer: VT_I8 / VT_UI8 move to the
  // 64-bit members, VT_DATE also fills the SYSTEMTIME, arrays are copied.
  explicit ole_variant(const VARIANT& value);
  ole_variant(const ole_variant& other);
  virtual ~ole_variant();

  ole_variant& operator=(const ole_variant& other);
  ole_variant& operator=(const wchar_t* value);

  virtual std::string to_string() const;
  virtual std::wstring to_wstring() const;
  virtual VARTYPE get_type() const;

  int32_t to_long() const;
  double to_double() const;
  // Points *data at the bytes of a byte array (valid while this value holds
  // the array) and answers their count; 0 for VT_EMPTY / VT_NULL.
  uint32_t get_bytes(const uint8_t** data) const;
  uint32_t get_safe_array_size() const;

  void allocate_safe_array(uint32_t size);
  void attach_binary(const std::vector<uint8_t>& bytes);
  void attach_binary(uint32_t length, const uint8_t* bytes);
  void attach_string(const std::string& text);
  void attach_wstring(const std::wstring& text);
  // See the constructor from VARIANT.
  void attach_variant(const VARIANT& value);

  static ole_variant from_string(const std::string& text, VARTYPE type);
  static ole_variant from_wstring(const std::wstring& text, VARTYPE type);

  void change_type(VARTYPE new_type);

  // The parts of the value, for the platform layers and derived fields.
  const VARIANT& get_variant() const { return var_; }
  const SYSTEMTIME& get_date() const { return date_; }
  int64_t get_i8() const { return hyper_; }
  uint64_t get_ui8() const { return uhyper_; }

 protected:
  void clear();
  void set_bstr(BSTR bstr);  // takes ownership; asserts when null
  void copy_from(const ole_variant& other);
  void assign_date(const SYSTEMTIME& st);

  // The families of change_type, each for the conversions it names.
  void change_from_int64(VARTYPE new_type);
  void change_from_timestamp(VARTYPE new_type);
  void change_to_timestamp();
  void change_from_date(VARTYPE new_type);
  void change_to_int64(VARTYPE new_type);
  void change_to_date();
  void change_to_binary();

  // The families of from_string, each filling `result` for the types it
  // names (the caller sets the type).
  static void integer_from_text(ole_variant& result, const char* s, VARTYPE type);
  static void real_from_text(ole_variant& result, const std::string& text, VARTYPE type);
  static bool exact_from_text(ole_variant& result, const std::string& text, VARTYPE type);
  static void bool_from_text(ole_variant& result, const std::string& text);
  static void bytes_from_hex_text(ole_variant& result, const std::string& text);

  int64_t hyper_ = 0;    // the value while the type is VT_I8 or VT_FILETIME (ole_timestamp.h)
  uint64_t uhyper_ = 0;  // the value while the type is VT_UI8
  SYSTEMTIME date_{};    // the value while the type is VT_DATE
  VARIANT var_;          // the type in every case; the value but for 64-bit integers
};
