// Version profiles: which Oracle release the engine shows itself as. A
// profile sets the V$VERSION banner, the identifier length limit, the
// SYS_C name width and the wording of the messages that changed between
// releases. Beside the release it carries the database's COMPATIBLE
// parameter (an upgraded database keeps the old one, and with it the old
// identifier limit) and its character sets, which decide describe sizes,
// NVARCHAR2 limits and what a literal can hold. The SQL dialect stays the
// same in every profile.
#pragma once

#include <optional>
#include <string>

namespace oraemb {

struct Profile {
  std::string name = "19c";  // as configured: 7.3, 10.2, 11.2, 12.1, 12.2, 19c, 23ai
  int version = 190;         // major * 10 + minor, for comparisons
  // COMPATIBLE as configured ("12.1.0"); empty: the release's own.
  std::string compatible_setting;
  std::string database_charset =
      "AL32UTF8";                           // AL32UTF8, UTF8, WE8MSWIN1252, WE8ISO8859P1, US7ASCII
  std::string nchar_charset = "AL16UTF16";  // AL16UTF16 or UTF8

  // The COMPATIBLE value v$parameter shows, and its major * 10 + minor.
  std::string compatible() const;
  int compatible_version() const;
  // Whether a name is a character set this engine knows, per role.
  static bool known_database_charset(const std::string& name);
  static bool known_nchar_charset(const std::string& name);
  // Largest bytes per character of the database and national character sets.
  int database_char_bytes() const;
  int nchar_char_bytes() const;
  // Oracle's character set ids (OCI_ATTR_CHARSET_ID).
  int database_charset_id() const;
  int nchar_charset_id() const;

  // A profile by its configured name (case-insensitive); nullopt when unknown.
  static std::optional<Profile> named(const std::string& name);

  std::string banner() const;
  // The BANNER_FULL column (banner and the release update line).
  std::string banner_full() const;
  // Identifier limit in bytes: 128 from release 12.2 on, and only with
  // COMPATIBLE 12.2 or higher; 30 otherwise.
  size_t identifier_limit() const {
    return version >= 122 && compatible_version() >= 122 ? 128 : 30;
  }
  // Digits after SYS_C in generated constraint names: 6 before 11g.
  int sys_c_digits() const { return version >= 110 ? 7 : 6; }
};

}  // namespace oraemb
