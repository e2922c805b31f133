// Configuration file parsing (plain "[section name]" headers and
// "key = value" pairs, several pairs allowed on one line, ";" and "#"
// comments) and the resolution of connect texts against it.
#include "oraemb/connect_config.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool same(const std::string& a, const std::string& b) {
  return lower(a) == lower(b);
}

std::vector<std::string> split_list(const std::string& value) {
  std::vector<std::string> out;
  std::stringstream in(value);
  std::string part;
  while (std::getline(in, part, ',')) {
    part = trim(part);
    if (!part.empty()) out.push_back(part);
  }
  return out;
}

bool yes(const std::string& value) {
  std::string v = lower(trim(value));
  return v == "yes" || v == "true" || v == "1" || v == "on";
}

[[noreturn]] void bad_config(const std::string& origin, const std::string& why) {
  raise(600, {"configuration " + origin + "], [" + why});
}

std::string this_host() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::string data_dir() {
  const char* dir = std::getenv("TARVEL_ORAEMB_DIR");
  return dir && *dir ? dir : ".";
}

}  // namespace

ConnectConfig ConnectConfig::load() {
  const char* path = std::getenv("TARVEL_ORAEMB_CONFIG");
  if (!path || !*path) return ConnectConfig();
  std::ifstream in(path);
  if (!in) bad_config(path, "cannot be read");
  std::stringstream text;
  text << in.rdbuf();
  return parse(text.str(), path);
}

ConnectConfig ConnectConfig::parse(const std::string& text, const std::string& origin) {
  ConnectConfig config;
  std::stringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    for (size_t k = 0; k < line.size(); ++k) {
      if ((line[k] == ';' || line[k] == '#') &&
          (k == 0 || std::isspace(static_cast<unsigned char>(line[k - 1])))) {
        line.resize(k);
        break;
      }
    }
    line = trim(line);
    if (line.empty()) continue;
    std::string where = origin + " line " + std::to_string(number);
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos) bad_config(where, "unterminated section header");
      std::stringstream header(line.substr(1, close - 1));
      Section section;
      header >> section.kind >> section.name;
      section.kind = lower(section.kind);
      static const char* const kinds[] = {"listener", "service", "alias", "engine"};
      if (std::none_of(std::begin(kinds), std::end(kinds),
                       [&](const char* k) { return section.kind == k; }))
        bad_config(where, "unknown section [" + section.kind + "]");
      if ((section.kind == "service" || section.kind == "alias") && section.name.empty())
        bad_config(where, "[" + section.kind + "] needs a name");
      config.sections_.push_back(section);
      line = trim(line.substr(close + 1));
      if (line.empty()) continue;
    }
    if (config.sections_.empty()) bad_config(where, "a setting outside any section");
    // Several "key = value" pairs may share a line: each '=' takes the word
    // before it as its key, and its value runs up to the next key.
    std::vector<size_t> equals;
    for (size_t k = 0; k < line.size(); ++k)
      if (line[k] == '=') equals.push_back(k);
    if (equals.empty()) bad_config(where, "expected key = value");
    std::vector<std::pair<size_t, std::string>> keys;  // start of key, key
    for (size_t eq : equals) {
      size_t end = eq;
      while (end > 0 && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
      size_t start = end;
      while (start > 0 && !std::isspace(static_cast<unsigned char>(line[start - 1]))) --start;
      if (start == end) bad_config(where, "a value without a key");
      keys.push_back({start, lower(line.substr(start, end - start))});
    }
    if (trim(line.substr(0, keys[0].first)) != "") bad_config(where, "text before the first key");
    for (size_t k = 0; k < keys.size(); ++k) {
      size_t from = equals[k] + 1;
      size_t to = k + 1 < keys.size() ? keys[k + 1].first : line.size();
      config.sections_.back().values[keys[k].second] = trim(line.substr(from, to - from));
    }
  }
  return config;
}

const ConnectConfig::Section* ConnectConfig::find(const std::string& kind,
                                                  const std::string& name) const {
  for (const Section& s : sections_)
    if (s.kind == kind && same(s.name, name)) return &s;
  return nullptr;
}

ServiceTarget ConnectConfig::service_target(const std::string& service, int depth) const {
  (void)depth;
  ServiceTarget target;
  target.service = service;
  // [engine] holds the defaults of every service.
  std::map<std::string, std::string> values;
  if (const Section* engine = find("engine", "")) values = engine->values;
  bool configured_services = std::any_of(sections_.begin(), sections_.end(),
                                         [](const Section& s) { return s.kind == "service"; });
  if (configured_services) {
    const Section* s = find("service", service);
    if (!s) raise(12514);
    target.service = s->name;
    for (const auto& [k, v] : s->values) values[k] = v;
  } else {
    if (service.empty()) raise(12514);
    for (char c : service)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '$' &&
          c != '#' && c != '-')
        raise(12514);
  }
  std::string file = values.count("file") ? values["file"] : target.service + ".oradb";
  target.path = !file.empty() && file[0] == '/' ? file : data_dir() + "/" + file;
  if (values.count("profile")) {
    auto p = Profile::named(values["profile"]);
    if (!p) bad_config("service " + target.service, "unknown profile " + values["profile"]);
    target.profile = *p;
  }
  if (values.count("compatible")) {
    const std::string& c = values["compatible"];
    if (c.empty() || !std::isdigit(static_cast<unsigned char>(c[0])))
      bad_config("service " + target.service, "compatible = a release such as 12.1.0");
    target.profile.compatible_setting = c;
  }
  if (values.count("database_charset")) {
    std::string c = upper(values["database_charset"]);
    if (!Profile::known_database_charset(c))
      bad_config("service " + target.service, "unknown database_charset " + c);
    target.profile.database_charset = c;
  }
  if (values.count("nchar_charset")) {
    std::string c = upper(values["nchar_charset"]);
    if (!Profile::known_nchar_charset(c))
      bad_config("service " + target.service, "unknown nchar_charset " + c);
    target.profile.nchar_charset = c;
  }
  if (values.count("create")) target.create = yes(values["create"]);
  if (values.count("auto_users")) target.auto_users = yes(values["auto_users"]);
  if (values.count("admin")) {
    std::string admin = values["admin"];
    size_t slash = admin.find('/');
    if (slash == std::string::npos)
      bad_config("service " + target.service, "admin = USER/password");
    target.admin_user = admin.substr(0, slash);
    target.admin_password = admin.substr(slash + 1);
  }
  if (values.count("lock_timeout")) target.lock_timeout = std::atof(values["lock_timeout"].c_str());
  if (values.count("password_grace"))
    target.password_grace_days = std::atoi(values["password_grace"].c_str());
  return target;
}

ServiceTarget ConnectConfig::resolve(const std::string& connect) const {
  return resolve_at(connect, 0);
}

ServiceTarget ConnectConfig::resolve_at(const std::string& connect, int depth) const {
  if (depth > 8) raise(12154);  // aliases naming each other
  std::string text = trim(connect);
  const Section* listener = find("listener", "");
  std::string default_service;
  if (listener && listener->values.count("default_service"))
    default_service = listener->values.at("default_service");
  if (text.empty()) {
    if (default_service.empty()) raise(12154);
    return service_target(default_service, depth);
  }
  bool ezconnect = text.rfind("//", 0) == 0 || text.find_first_of("/:") != std::string::npos;
  if (!ezconnect) {
    const Section* alias = find("alias", text);
    if (!alias || !alias->values.count("connect")) raise(12154);
    return resolve_at(alias->values.at("connect"), depth + 1);
  }
  if (text.rfind("//", 0) == 0) text = text.substr(2);
  size_t slash = text.find('/');
  std::string address = text.substr(0, slash);
  std::string service = slash == std::string::npos ? "" : text.substr(slash + 1);
  std::string host = address, port = "1521";
  size_t colon = address.find(':');
  if (colon != std::string::npos) {
    host = address.substr(0, colon);
    port = address.substr(colon + 1);
    if (port.empty() ||
        !std::all_of(port.begin(), port.end(), [](char c) { return std::isdigit(c) != 0; }))
      raise(12154);
    // A number that is no TCP port names no address a client could reach.
    const size_t digits = port.find_first_not_of('0');
    if (digits == std::string::npos || port.size() - digits > 5 ||
        std::atoi(port.c_str() + digits) > 65535)
      raise(12545);
  }
  if (host.empty()) raise(12154);
  if (listener && listener->values.count("hosts")) {
    bool known = false;
    for (std::string h : split_list(listener->values.at("hosts"))) {
      if (h == "<hostname>") h = this_host();
      known = known || same(h, host);
    }
    if (!known) raise(12545);
  }
  if (listener && listener->values.count("ports")) {
    auto ports = split_list(listener->values.at("ports"));
    if (std::find(ports.begin(), ports.end(), std::to_string(std::atoi(port.c_str()))) ==
        ports.end())
      raise(12541);
  }
  if (service.empty()) {
    if (default_service.empty()) raise(12514);
    service = default_service;
  }
  return service_target(service, depth);
}

}  // namespace oraemb
