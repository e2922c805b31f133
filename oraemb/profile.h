// Version profiles: which Oracle release the engine shows itself as. A
// profile sets the V$VERSION banner, the identifier length limit, the
// SYS_C name width and the wording of the messages that changed between
// releases. The SQL dialect stays the same in every profile.
#pragma once

#include <optional>
#include <string>

namespace oraemb {

struct Profile {
  std::string name = "19c";  // as configured: 7.3, 10.2, 11.2, 12.1, 12.2, 19c, 23ai
  int version = 190;         // major * 10 + minor, for comparisons

  // A profile by its configured name (case-insensitive); nullopt when unknown.
  static std::optional<Profile> named(const std::string& name);

  std::string banner() const;
  // The BANNER_FULL column (banner and the release update line).
  std::string banner_full() const;
  // Identifier limit in bytes: 30 before 12.2, 128 from it.
  size_t identifier_limit() const { return version >= 122 ? 128 : 30; }
  // Digits after SYS_C in generated constraint names: 6 before 11g.
  int sys_c_digits() const { return version >= 110 ? 7 : 6; }
};

}  // namespace oraemb
