// ora_type and its readers: one column of a query result. A reader is built
// from the column's describe (type code, name, nullability), defines an
// output buffer of a suitable external type at the column's position, and
// turns the bytes of the fetched row into a variant value and the column into
// a field descriptor. The result set owns its readers; each reader owns its
// buffer (and LOB locator), which OCI writes into at every fetch, so a reader
// must outlive the statement's fetches. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "UDB/t_ftd.h"
#include "oci/oci_types.h"

class ora_stmt;

class ora_type {
 public:
  // Reads the data type, name and nullability of the described column. The
  // parameter descriptor is read only during construction (the describing
  // statement may be gone afterwards).
  explicit ora_type(OCIParam* param);
  virtual ~ora_type();
  ora_type(const ora_type&) = delete;
  ora_type& operator=(const ora_type&) = delete;

  // The variant type of the column by its Oracle type code.
  virtual VARTYPE get_vartype() const;
  virtual std::unique_ptr<t_ftd> get_ftd() const;
  // The value of the current row (not called for a NULL).
  virtual ole_variant to_variant() = 0;
  // Defines the reader's buffer at the 1-based select-list position.
  virtual void define(ora_stmt& stmt, ub4 position) = 0;

  ub2 data_type() const { return data_type_; }
  const std::wstring& name() const { return name_; }
  bool nullable() const { return nullable_; }
  // Characters for text columns, bytes for RAW, 0 for LOBs and others.
  uint32_t size() const { return size_; }
  bool is_null() const { return indicator_ == OCI_IND_NULL; }
  // The last fetch cut the value to fit its buffer (the indicator holds the
  // value's length, or -2 beyond 32767).
  bool is_truncated() const { return indicator_ > 0 || indicator_ == -2; }

  // What the server's describe says: OCI_ATTR_DATA_SIZE in bytes of the
  // column's character set, OCI_ATTR_CHAR_SIZE in characters (0 for
  // non-character columns), OCI_ATTR_CHAR_USED (CHAR length semantics) and
  // OCI_ATTR_CHARSET_FORM (SQLCS_NCHAR for NCHAR, NVARCHAR2 and NCLOB).
  ub2 data_size() const { return data_size_; }
  ub2 char_size() const { return char_size_; }
  bool char_used() const { return char_used_; }
  ub1 charset_form() const { return charset_form_; }
  // A LOB column: only the CLOB/NCLOB and BLOB type codes are LOBs, whatever
  // the size of a text or RAW column.
  bool is_lob() const { return data_type_ == SQLT_CLOB || data_type_ == SQLT_BLOB; }
  // A column the product cannot read or write (ora_dummy).
  virtual bool is_supported() const { return true; }

  // The base rule: the variant type of an Oracle data type code.
  static VARTYPE vartype_of(ub2 data_type);
  // A type code's Oracle name for messages ("XMLTYPE or another named type",
  // "BFILE", ...), or its number.
  static std::wstring type_name(ub2 data_type);

 protected:
  ub2 data_type_ = 0;
  std::wstring name_;
  bool nullable_ = true;
  uint32_t size_ = 0;
  ub2 data_size_ = 0;
  ub2 char_size_ = 0;
  bool char_used_ = false;
  ub1 charset_form_ = 0;
  OCIDefine* define_ = nullptr;
  sb2 indicator_ = 0;
  ub2 returned_length_ = 0;  // bytes, written by OCI at each fetch
};

// VARCHAR2, NVARCHAR2, CHAR and null-terminated strings: text of the
// fetched length.
class ora_string : public ora_type {
 public:
  explicit ora_string(OCIParam* param);
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

 private:
  std::vector<char16_t> buffer_;
};

// NUMBER, FLOAT(p), BINARY_FLOAT, BINARY_DOUBLE and the other numeric
// codes, fetched as text and read as the vartype that precision and scale
// suggest.
class ora_number : public ora_type {
 public:
  explicit ora_number(OCIParam* param);
  VARTYPE get_vartype() const override;
  std::unique_ptr<t_ftd> get_ftd() const override;
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

  // The vartype of NUMBER(precision, scale) (a negative scale counts as 0).
  // Scale -127 is FLOAT(p) or an unconstrained NUMBER: a real, never an
  // integer (FLOAT(10) holds 1.5).
  static VARTYPE refine(int precision, int scale);
  // A number text as a value of `vartype`; an integer text that the type
  // cannot hold becomes VT_I8, or VT_DECIMAL beyond that, rather than a
  // wrapped number.
  static ole_variant read_number(const std::wstring& text, VARTYPE vartype);

 private:
  int precision_ = 0;
  int scale_ = 0;  // as described: -127 for FLOAT(p) and NUMBER
  std::vector<char16_t> buffer_;
};

// Columns read as text of a fixed capacity: LONG, LONG RAW (as "0x" hex),
// ROWID and intervals.
class ora_str_repr : public ora_type {
 public:
  ora_str_repr(OCIParam* param, uint32_t characters);
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

 private:
  bool long_raw() const { return data_type_ == SQLT_LBI; }
  std::vector<char16_t> buffer_;
  size_t text_offset_ = 0;  // 2 for LONG RAW, after the "0x" prefix
  size_t define_units_ = 0;
};

// DATE and timestamps, fetched in the 7-byte DATE form.
class ora_date : public ora_type {
 public:
  explicit ora_date(OCIParam* param);
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

  // The date of Oracle's 7 bytes (century and year + 100, month, day, hour,
  // minute and second + 1).
  static SYSTEMTIME decode(const uint8_t bytes[7]);

 private:
  uint8_t buffer_[7] = {};
};

// RAW: the fetched bytes.
class ora_binary : public ora_type {
 public:
  explicit ora_binary(OCIParam* param);
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

 private:
  std::vector<uint8_t> buffer_;
};

// CLOB and BLOB: a locator, read in pieces.
class ora_lob : public ora_type {
 public:
  explicit ora_lob(OCIParam* param);
  ~ora_lob() override;
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;

  // Bytes of one piece read with OCILobRead.
  static constexpr ub4 kPieceBytes = 32768;

 private:
  OCILobLocator* locator_ = nullptr;
  std::vector<uint8_t> piece_;  // the read buffer, kept from row to row
};

// Any other type: nothing is fetched; the value is "<unsupported type>".
class ora_dummy : public ora_type {
 public:
  explicit ora_dummy(OCIParam* param);
  bool is_supported() const override { return false; }
  ole_variant to_variant() override;
  void define(ora_stmt& stmt, ub4 position) override;
};

// The reader for a column of that Oracle data type code.
std::unique_ptr<ora_type> gen_co_by_type(OCIParam* param, ub2 data_type);
