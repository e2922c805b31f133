// Where a connect text leads: the listener and service configuration of
// TARVEL_ORAEMB_CONFIG (hosts, ports, services with their files and
// version profiles, aliases), or, without that file, the default rule that
// any host and port reach "<service>.oradb" in TARVEL_ORAEMB_DIR. The
// listener and naming errors (ORA-12154, 12514, 12541, 12545) come from here.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "oraemb/profile.h"

namespace oraemb {

// One service as the logon needs it.
struct ServiceTarget {
  std::string service;  // as configured (or as given, by the default rule)
  std::string path;     // the database file
  Profile profile;
  bool create = true;                      // create the file on first use
  bool auto_users = true;                  // the first logon of an unknown user creates it
  std::string admin_user, admin_password;  // a DBA account created with the file
  double lock_timeout = -1;                // seconds a DML lock waits; < 0 = no limit
  int password_grace_days = 0;             // > 0: every logon warns ORA-28002
};

// The parsed configuration file. Every section and key is optional:
//
//   [engine]   profile = 19c   lock_timeout = 30        ; defaults of all services
//   [listener] hosts = localhost, 127.0.0.1, <hostname> ; others: ORA-12545
//              ports = 1521                             ; others: ORA-12541
//              default_service = ORCL                   ; for an empty connect text
//   [service ORCL] file = orcl.db  profile = 12.1  create = yes
//                  auto_users = no  admin = SYSTEM/manager
//                  compatible = 12.1.0                  ; v$parameter, name limit
//                  database_charset = WE8MSWIN1252      ; default AL32UTF8
//                  nchar_charset = UTF8                 ; default AL16UTF16
//                  password_grace = 7    ; passwords expire soon: ORA-28002
//   [alias TEST]   connect = //localhost:1521/ORCL
//
// Without [service] sections any service name is a file "<name>.oradb";
// with them, other names give ORA-12514. Relative files are in
// TARVEL_ORAEMB_DIR. auto_users = no makes unknown users ORA-01017 (the
// admin account, created with the file, creates others with CREATE USER).
class ConnectConfig {
 public:
  // Reads TARVEL_ORAEMB_CONFIG when it is set; ORA-00600 naming the line
  // when the file cannot be read or has a line that is not understood.
  static ConnectConfig load();
  // Parses configuration text (`origin` names it in error messages).
  static ConnectConfig parse(const std::string& text, const std::string& origin);

  // Resolves an OCILogon connect text ("[//]host[:port][/service]" or an
  // alias); raises the TNS errors.
  ServiceTarget resolve(const std::string& connect) const;

 private:
  struct Section {
    std::string kind, name;  // "listener" / "service" NAME / "alias" NAME / "engine"
    std::map<std::string, std::string> values;
  };
  const Section* find(const std::string& kind, const std::string& name) const;
  ServiceTarget service_target(const std::string& service, int depth) const;
  ServiceTarget resolve_at(const std::string& connect, int depth) const;

  std::vector<Section> sections_;
};

}  // namespace oraemb
