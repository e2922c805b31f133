// Where the Oracle client library is looked for when TARVEL_OCI_LIB does not
// name one, and where the embedded engine is installed relative to the
// programs. Pure path logic: nothing here loads a library, so the order can be
// tested against a made-up folder tree.
#pragma once

#include <string>
#include <vector>

// The places the search depends on. `root` prefixes the standard install
// folders ("/" on a real system; a temporary folder in tests).
struct oci_search_places {
  std::string oracle_home;  // $ORACLE_HOME, empty when unset
  std::string root = "/";
};

// The places of this process: ORACLE_HOME from the environment, root "/".
oci_search_places oci_search_places_from_env();

// The versioned file names that Oracle client zips ship, newest first
// ("libclntsh.so.23.1" ... "libclntsh.so.11.1"); some come without the
// unversioned link.
const std::vector<std::string>& oci_versioned_client_names();

// Every library to try, in order, without duplicates:
//   1. "libclntsh.so", then each versioned name, through the dynamic linker's
//      own search (LD_LIBRARY_PATH, the linker cache, the system folders);
//   2. $ORACLE_HOME/lib and $ORACLE_HOME itself (an Instant Client folder is
//      often its own ORACLE_HOME), each with the same names;
//   3. the standard Instant Client folders that exist under `root`:
//      usr/lib/oracle/<version>/client64/lib and opt/oracle/instantclient*,
//      newest version first, each with every libclntsh.so* file it holds.
std::vector<std::string> oci_client_candidates(const oci_search_places& places);

// The embedded engine of an installation: liboraemb.so beside the program
// (a build tree), else ../lib/tarvel/liboraemb.so from the program's folder
// (an installed package); the first path when neither exists.
std::string oci_embedded_library(const std::string& program_dir);
