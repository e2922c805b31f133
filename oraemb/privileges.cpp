// Privilege bits, their stored names, and the checks of statements.
#include "oraemb/privileges.h"

#include <array>
#include <utility>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

const std::array<std::pair<const char*, uint32_t>, 6> kNames = {{
    {"CREATE SESSION", kPrivCreateSession},
    {"CREATE TABLE", kPrivCreateTable},
    {"CREATE SEQUENCE", kPrivCreateSequence},
    {"CREATE TRIGGER", kPrivCreateTrigger},
    {"UNLIMITED TABLESPACE", kPrivUnlimitedTablespace},
    {"DBA", kPrivDba},
}};

}  // namespace

uint32_t privilege_bits(const std::string& name) {
  for (const auto& [text, bit] : kNames)
    if (name == text) return bit;
  if (name == "CONNECT") return kPrivCreateSession;
  if (name == "RESOURCE") return kPrivCreateTable | kPrivCreateSequence | kPrivCreateTrigger;
  if (name == "ALL PRIVILEGES") return kPrivAll;
  raise(990);
}

uint32_t privileges_from_text(const std::string& text) {
  uint32_t bits = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string name = text.substr(start, comma - start);
    for (const auto& [word, bit] : kNames)
      if (name == word) bits |= bit;
    start = comma + 1;
  }
  return bits;
}

std::string privileges_to_text(uint32_t privileges) {
  std::string out;
  for (const auto& [word, bit] : kNames)
    if (privileges & bit) out += (out.empty() ? "" : ",") + std::string(word);
  return out;
}

void Privileges::require(uint32_t privilege) const {
  if (!(bits_ & privilege) && !(bits_ & kPrivDba)) raise(1031);
}

void Privileges::require_quota() const {
  if (!(bits_ & (kPrivUnlimitedTablespace | kPrivDba))) raise(1950, {"USERS"});
}

}  // namespace oraemb
