// Handle registry and character-set conversion of environments.
#include "oraemb/oci_handles.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "oraemb/utf.h"

namespace oraemb {
namespace registry {
namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<const void*, ub4> live;
  std::map<EnvH*, std::unique_ptr<EnvH>> envs;
};

Registry& reg() {
  static Registry r;
  return r;
}

}  // namespace

void add(Handle* h) {
  std::lock_guard<std::mutex> lock(reg().mutex);
  reg().live[h] = h->type;
}

void remove(Handle* h) {
  std::lock_guard<std::mutex> lock(reg().mutex);
  reg().live.erase(h);
}

bool valid(const void* p, ub4 type) {
  if (!p) return false;
  std::lock_guard<std::mutex> lock(reg().mutex);
  auto found = reg().live.find(p);
  if (found == reg().live.end()) return false;
  // The describe handle type is accepted where a parameter descriptor is expected.
  return found->second == type || (type == OCI_HTYPE_DESCRIBE && found->second == OCI_DTYPE_PARAM);
}

void remove_tree(Handle* h) {
  if (auto* stmt = dynamic_cast<StmtH*>(h)) {
    for (auto& [pos, d] : stmt->defines) remove(d.get());
    for (auto& b : stmt->binds) remove(b.get());
    for (auto& p : stmt->params) remove(p.get());
  }
  if (auto* env = dynamic_cast<EnvH*>(h)) {
    for (auto& [child, owned] : env->children) remove_tree(child);
  }
  remove(h);
}

std::unique_ptr<EnvH>& env_slot(EnvH* env) {
  std::lock_guard<std::mutex> lock(reg().mutex);
  return reg().envs[env];
}

void drop_env(EnvH* env) {
  std::unique_ptr<EnvH> owned;
  {
    std::lock_guard<std::mutex> lock(reg().mutex);
    auto found = reg().envs.find(env);
    if (found == reg().envs.end()) return;
    owned = std::move(found->second);
    reg().envs.erase(found);
  }
  remove_tree(owned.get());
}

}  // namespace registry

void StmtH::reset() {
  for (auto& p : params) registry::remove(p.get());
  params.clear();
  parsed.reset();
  cursor.reset();
  columns.clear();
  executed = false;
  at_end = false;
  row_count = 0;
}

std::string EnvH::decode(const void* text, size_t bytes) const {
  if (!text) return {};
  if (!utf16) return std::string(static_cast<const char*>(text), bytes);
  std::u16string units(bytes / 2, u'\0');
  std::memcpy(units.data(), text, units.size() * 2);
  return utf16_to_utf8(units);
}

std::string EnvH::encode(const std::string& utf8) const {
  if (!utf16) return utf8;
  std::u16string units = utf8_to_utf16(utf8);
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

}  // namespace oraemb
