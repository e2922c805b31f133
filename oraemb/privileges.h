// The system privileges of a user (ora$user.privs): their bits, their
// stored text, and the checks a statement makes before it runs.
#pragma once

#include <cstdint>
#include <string>

namespace oraemb {

// System privileges as bits.
enum Privilege : uint32_t {
  kPrivCreateSession = 1,
  kPrivCreateTable = 2,
  kPrivCreateSequence = 4,
  kPrivCreateTrigger = 8,
  kPrivUnlimitedTablespace = 16,
  kPrivDba = 32,
  kPrivAll = 63,
};

// The privileges of the logged-on user.
class Privileges {
 public:
  explicit Privileges(uint32_t bits = kPrivAll) : bits_(bits) {}
  // Whether the user holds `bit` itself (DBA not counted).
  bool holds(uint32_t bit) const { return (bits_ & bit) != 0; }
  // ORA-01031 unless the user holds the privilege or is a DBA.
  void require(uint32_t privilege) const;
  // ORA-01950 without quota on USERS (UNLIMITED TABLESPACE or DBA).
  void require_quota() const;

 private:
  uint32_t bits_;
};

// Privilege bits from their stored text ("CREATE TABLE,DBA,...") and back.
uint32_t privileges_from_text(const std::string& text);
std::string privileges_to_text(uint32_t privileges);
// A privilege or one of the classic roles (CONNECT, RESOURCE, ALL
// PRIVILEGES) as GRANT and REVOKE name it, as bits; ORA-00990 when unknown.
uint32_t privilege_bits(const std::string& name);

}  // namespace oraemb
