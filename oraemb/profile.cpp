// The known version profiles and their banners.
#include "oraemb/profile.h"

#include <cctype>

namespace oraemb {
namespace {

struct Known {
  const char* name;
  int version;
  const char* banner;
  const char* full;
};

const Known kProfiles[] = {
    {"7.3", 73, "Oracle7 Server Release 7.3.4.0.0 - Production", nullptr},
    {"10.2", 102, "Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Prod", nullptr},
    {"11.2", 112, "Oracle Database 11g Enterprise Edition Release 11.2.0.4.0 - 64bit Production",
     nullptr},
    {"12.1", 121, "Oracle Database 12c Enterprise Edition Release 12.1.0.2.0 - 64bit Production",
     nullptr},
    {"12.2", 122, "Oracle Database 12c Enterprise Edition Release 12.2.0.1.0 - 64bit Production",
     nullptr},
    {"19c", 190, "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production",
     "Version 19.3.0.0.0"},
    {"23ai", 230, "Oracle Database 23ai Enterprise Edition Release 23.0.0.0.0 - Production",
     "Version 23.4.0.24.05"},
};

const Known& find(int version) {
  for (const Known& k : kProfiles)
    if (k.version == version) return k;
  return kProfiles[5];
}

}  // namespace

std::optional<Profile> Profile::named(const std::string& name) {
  std::string key;
  for (char c : name) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (key == "19" || key == "19.0") key = "19c";
  if (key == "23" || key == "23.0") key = "23ai";
  if (key == "7" || key == "7.3.4") key = "7.3";
  for (const Known& k : kProfiles)
    if (key == k.name) return Profile{k.name, k.version};
  return std::nullopt;
}

std::string Profile::banner() const {
  return find(version).banner;
}

std::string Profile::banner_full() const {
  const Known& k = find(version);
  return k.full ? std::string(k.banner) + "\n" + k.full : std::string(k.banner);
}

}  // namespace oraemb
