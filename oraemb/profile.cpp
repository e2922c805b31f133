// The known version profiles and their banners.
#include "oraemb/profile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

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
    if (key == k.name) {
      Profile p;
      p.name = k.name;
      p.version = k.version;
      return p;
    }
  return std::nullopt;
}

std::string Profile::compatible() const {
  if (!compatible_setting.empty()) return compatible_setting;
  switch (version) {
    case 73:
      return "7.3.0";
    case 102:
      return "10.2.0";
    case 112:
      return "11.2.0";
    case 121:
      return "12.1.0";
    case 122:
      return "12.2.0";
    case 230:
      return "23.0.0";
    default:
      return "19.0.0";
  }
}

int Profile::compatible_version() const {
  const std::string c = compatible();
  int major = std::atoi(c.c_str());
  size_t dot = c.find('.');
  int minor = dot == std::string::npos ? 0 : std::atoi(c.c_str() + dot + 1);
  // From 18 on the release numbers are years: 19.0.0 is later than 12.2.
  return major * 10 + std::min(minor, 9);
}

bool Profile::known_database_charset(const std::string& name) {
  return name == "AL32UTF8" || name == "UTF8" || name == "WE8MSWIN1252" || name == "WE8ISO8859P1" ||
         name == "US7ASCII";
}

bool Profile::known_nchar_charset(const std::string& name) {
  return name == "AL16UTF16" || name == "UTF8";
}

int Profile::database_char_bytes() const {
  if (database_charset == "AL32UTF8") return 4;
  if (database_charset == "UTF8") return 3;
  return 1;
}

int Profile::nchar_char_bytes() const {
  return nchar_charset == "UTF8" ? 3 : 2;
}

int Profile::database_charset_id() const {
  if (database_charset == "UTF8") return 871;
  if (database_charset == "WE8MSWIN1252") return 178;
  if (database_charset == "WE8ISO8859P1") return 31;
  if (database_charset == "US7ASCII") return 1;
  return 873;
}

int Profile::nchar_charset_id() const {
  return nchar_charset == "UTF8" ? 871 : 2000;
}

std::string Profile::banner() const {
  return find(version).banner;
}

std::string Profile::banner_full() const {
  const Known& k = find(version);
  return k.full ? std::string(k.banner) + "\n" + k.full : std::string(k.banner);
}

}  // namespace oraemb
