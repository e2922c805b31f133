// Candidate paths of the Oracle client library, newest first.
#include "ORA/oci/oci_client_search.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

bool is_dir(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::vector<std::string> list_dir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

// The numbers in a name, in order: "instantclient_19_21" -> {19, 21},
// "libclntsh.so.23.1" -> {23, 1}.
std::vector<long> numbers_in(std::string_view name) {
  std::vector<long> out;
  size_t i = 0;
  while (i < name.size()) {
    if (name[i] >= '0' && name[i] <= '9') {
      long v = 0;
      while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
        if (v < 100000000) v = v * 10 + (name[i] - '0');
        ++i;
      }
      out.push_back(v);
    } else {
      ++i;
    }
  }
  return out;
}

// Newest version first; names without numbers last, then by name.
void sort_newest_first(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::vector<long> na = numbers_in(a), nb = numbers_in(b);
    if (na != nb) return na > nb;
    return a < b;
  });
}

void add(std::vector<std::string>& out, const std::string& path) {
  if (std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
}

// libclntsh.so and then its versioned files present in `dir`, newest first.
void add_client_files(std::vector<std::string>& out, const std::string& dir) {
  std::vector<std::string> files;
  for (const std::string& name : list_dir(dir)) {
    if (name.rfind("libclntsh.so", 0) == 0 && is_file(join(dir, name))) files.push_back(name);
  }
  if (std::find(files.begin(), files.end(), "libclntsh.so") != files.end())
    add(out, join(dir, "libclntsh.so"));
  sort_newest_first(files);
  for (const std::string& name : files) add(out, join(dir, name));
}

}  // namespace

oci_search_places oci_search_places_from_env() {
  oci_search_places places;
  if (const char* home = std::getenv("ORACLE_HOME")) places.oracle_home = home;
  return places;
}

const std::vector<std::string>& oci_versioned_client_names() {
  static const std::vector<std::string> names = {"libclntsh.so.23.1", "libclntsh.so.21.1",
                                                 "libclntsh.so.19.1", "libclntsh.so.18.1",
                                                 "libclntsh.so.12.1", "libclntsh.so.11.1"};
  return names;
}

std::vector<std::string> oci_client_candidates(const oci_search_places& places) {
  std::vector<std::string> out;
  add(out, "libclntsh.so");
  for (const std::string& name : oci_versioned_client_names()) add(out, name);

  if (!places.oracle_home.empty()) {
    for (const std::string& dir : {join(places.oracle_home, "lib"), places.oracle_home}) {
      if (!is_dir(dir)) continue;
      add(out, join(dir, "libclntsh.so"));
      for (const std::string& name : oci_versioned_client_names()) add(out, join(dir, name));
    }
  }

  // RPM/alien installs: usr/lib/oracle/<version>/client64/lib.
  const std::string rpm_root = join(places.root, "usr/lib/oracle");
  std::vector<std::string> versions = list_dir(rpm_root);
  sort_newest_first(versions);
  for (const std::string& v : versions) {
    const std::string lib = join(join(rpm_root, v), "client64/lib");
    if (is_dir(lib)) add_client_files(out, lib);
  }

  // Zip installs: opt/oracle/instantclient_<major>_<minor>.
  const std::string zip_root = join(places.root, "opt/oracle");
  std::vector<std::string> zips;
  for (const std::string& name : list_dir(zip_root)) {
    if (name.rfind("instantclient", 0) == 0 && is_dir(join(zip_root, name))) zips.push_back(name);
  }
  sort_newest_first(zips);
  for (const std::string& z : zips) add_client_files(out, join(zip_root, z));
  return out;
}

std::string oci_embedded_library(const std::string& program_dir) {
  const std::string beside = join(program_dir, "liboraemb.so");
  if (is_file(beside)) return beside;
  const std::string installed = join(program_dir, "../lib/tarvel/liboraemb.so");
  if (is_file(installed)) return installed;
  return beside;
}
