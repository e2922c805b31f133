// oraemb-sql: a small SQL client for the embedded engine (or any OCI
// library). It logs on with the converter's connect text and user, runs
// Oracle SQL from the command line, files or standard input (interactive
// with a prompt on a terminal), prints rows as an aligned table or CSV, and
// exits with status 1 after an Oracle error, whose ORA text goes to
// standard error. "admin" commands create users and services.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "oraemb/client/describe.h"
#include "oraemb/client/oci_client.h"
#include "oraemb/client/result_printer.h"
#include "oraemb/client/script_splitter.h"

using namespace oraemb_client;

namespace {

const char kUsage[] =
    "Usage: oraemb-sql --connect=//HOST:PORT/SERVICE --user=USER --password=PASSWORD\n"
    "                  [options] [SQL ...]\n"
    "       oraemb-sql [connection] admin create-user NAME PASSWORD [--locked]\n"
    "                  [--no-quota] [--revoke=PRIV,...]\n"
    "       oraemb-sql [connection] admin lock-user|unlock-user NAME\n"
    "       oraemb-sql admin create-service NAME --file=PATH [--profile=19c]\n"
    "                  [--config=FILE]\n"
    "       oraemb-sql [connection] admin stats [SQL ...]\n"
    "Runs each SQL argument (statements separated by ';'), then each --file;\n"
    "without either, reads standard input (with a prompt on a terminal).\n"
    "Options:\n"
    "  --csv              rows as CSV instead of an aligned table\n"
    "  --file=PATH        run the statements of a script file\n"
    "  --tables[=N]       list every table with its row count and first N rows (5)\n"
    "  --lob-width=N      characters or bytes of a LOB value shown (40)\n"
    "  --full-lobs        show LOB values whole\n"
    "  --continue         go on after an error (the exit status is still 1)\n"
    "  --quiet            no messages for statements other than queries\n"
    "  --stats            at the end, the session's round trips and parses\n"
    "                     (what the same work would cost against a server)\n"
    "TARVEL_OCI_LIB chooses the OCI library as for every program of tarvel:\n"
    "'embedded', or the path of a library. Unset, this program loads the embedded\n"
    "engine (liboraemb.so beside it, or in ../lib/tarvel of an installation), not\n"
    "libclntsh.so as the converter does.\n";

struct Options {
  std::string connect, user, password, config;
  bool csv = false, keep_going = false, quiet = false, tables = false, locked = false,
       no_quota = false, stats = false;
  int table_rows = 5;
  std::string file_flag, profile = "19c", revoke;
  std::vector<std::string> files, texts;
  LobDisplay lobs;
};

struct UsageError {
  std::string message;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string quoted_password(const std::string& p) {
  return "\"" + p + "\"";
}

Options parse(int argc, char** argv) {
  Options o;
  for (int k = 1; k < argc; ++k) {
    std::string a = argv[k];
    auto value = [&](const char* name, std::string& out) {
      std::string prefix = std::string(name) + "=";
      if (a.rfind(prefix, 0) == 0) {
        out = a.substr(prefix.size());
        return true;
      }
      if (a == name && k + 1 < argc) {
        out = argv[++k];
        return true;
      }
      return false;
    };
    std::string number;
    if (a == "--help" || a == "-h") throw UsageError{""};
    if (value("--connect", o.connect) || value("--user", o.user) ||
        value("--password", o.password) || value("--config", o.config) ||
        value("--profile", o.profile) || value("--revoke", o.revoke) ||
        value("--file", o.file_flag)) {
      if (!o.file_flag.empty()) {
        o.files.push_back(o.file_flag);
        o.file_flag.clear();
      }
    } else if (a == "--csv") {
      o.csv = true;
    } else if (a == "--continue") {
      o.keep_going = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--stats") {
      o.stats = true;
    } else if (a == "--locked") {
      o.locked = true;
    } else if (a == "--no-quota") {
      o.no_quota = true;
    } else if (a == "--full-lobs") {
      o.lobs.full = true;
    } else if (a == "--tables") {
      o.tables = true;
    } else if (a.rfind("--tables=", 0) == 0) {
      o.tables = true;
      o.table_rows = std::atoi(a.c_str() + 9);
    } else if (value("--lob-width", number)) {
      o.lobs.width = static_cast<size_t>(std::max(1, std::atoi(number.c_str())));
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      throw UsageError{"unknown option " + a};
    } else {
      o.texts.push_back(a);
    }
  }
  // USER/PASSWORD in --user, as Oracle tools accept it.
  size_t slash = o.user.find('/');
  if (o.password.empty() && slash != std::string::npos) {
    o.password = o.user.substr(slash + 1);
    o.user = o.user.substr(0, slash);
  }
  return o;
}

// Runs statements and reports their outcome; remembers whether one failed.
class Runner {
 public:
  Runner(OciClient& client, const Options& options) : client_(client), options_(options) {}

  // False when the statement failed.
  bool run(const std::string& sql) {
    if (auto object = describe_target(sql)) return describe(*object, describe_argument(sql));
    ResultPrinter printer(std::cout, options_.csv);
    try {
      auto outcome = client_.run(
          sql, [&](const std::vector<Column>& c) { printer.header(c); },
          [&](const std::vector<Cell>& r) {
            printer.row(r);
            return true;
          });
      if (outcome.query) {
        printer.finish(true);
      } else if (!options_.quiet) {
        std::cout << message(outcome.statement_type, outcome.rows) << "\n";
      }
      std::cout.flush();
      return true;
    } catch (const OciClientError& e) {
      std::cout.flush();
      std::cerr << e.what() << "\n";
      failed_ = true;
      return false;
    }
  }

  bool failed() const { return failed_; }

 private:
  // A column of a query's describe as USER_TAB_COLUMNS would list it.
  static DescribedColumn described_column(const Column& c) {
    DescribedColumn d;
    d.name = c.name;
    d.nullable = c.nullable ? "Y" : "N";
    const bool national = c.charset_form == 2;
    switch (c.type) {
      case SQLT_CHR:
      case SQLT_AFC:
        d.data_type = std::string(national ? "N" : "") + (c.type == SQLT_CHR ? "VARCHAR2" : "CHAR");
        d.char_length = std::to_string(national ? c.size / 2 : c.size);
        d.char_used = "B";
        break;
      case SQLT_NUM:
        if (c.scale == -127 && c.precision > 0) {
          d.data_type = "FLOAT";
          d.precision = std::to_string(c.precision);
        } else {
          d.data_type = "NUMBER";
          if (c.precision > 0) d.precision = std::to_string(c.precision);
          if (c.scale != -127) d.scale = std::to_string(c.scale);
        }
        break;
      case SQLT_DAT:
        d.data_type = "DATE";
        break;
      case SQLT_CLOB:
        d.data_type = national ? "NCLOB" : "CLOB";
        break;
      case SQLT_BLOB:
        d.data_type = "BLOB";
        break;
      case SQLT_BIN:
        d.data_type = "RAW";
        d.data_length = std::to_string(c.size);
        break;
      case SQLT_LNG:
        d.data_type = "LONG";
        break;
      default:
        d.data_type = "TYPE " + std::to_string(c.type);
        break;
    }
    return d;
  }

  // DESCRIBE: the columns of a table or view from the dictionary.
  bool describe(const std::string& object, const std::string& as_typed) {
    if (object.empty()) {
      std::cerr << "Usage: DESCRIBE [schema.]object[@db_link]\n";
      failed_ = true;
      return false;
    }
    std::vector<DescribedColumn> columns;
    std::string literal;
    for (char c : object) literal += c == '\'' ? std::string("''") : std::string(1, c);
    try {
      client_.run(
          "SELECT COLUMN_NAME, NULLABLE, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
          "CHAR_LENGTH, CHAR_USED FROM USER_TAB_COLUMNS WHERE TABLE_NAME = '" +
              literal + "' ORDER BY COLUMN_ID",
          [](const std::vector<Column>&) {},
          [&](const std::vector<Cell>& r) {
            auto text = [&](size_t k) { return r[k].null ? std::string() : r[k].text; };
            columns.push_back(
                {text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7)});
            return true;
          });
    } catch (const OciClientError& e) {
      std::cerr << e.what() << "\n";
      failed_ = true;
      return false;
    }
    // Views the dictionary does not list (V$VERSION, USER_TABLES, ...):
    // the describe of a query over them.
    if (columns.empty()) {
      try {
        client_.run(
            "SELECT * FROM \"" + object + "\" WHERE 1 = 0",
            [&](const std::vector<Column>& described) {
              for (const Column& c : described) columns.push_back(described_column(c));
            },
            [](const std::vector<Cell>&) { return false; });
      } catch (const OciClientError&) {
        columns.clear();
      }
    }
    if (columns.empty()) {
      // SQL*Plus's own message for a name that is no table or view.
      std::cerr << "ERROR:\nORA-04043: object " << as_typed << " does not exist\n";
      failed_ = true;
      return false;
    }
    std::cout << describe_listing(columns) << "\n";  // SQL*Plus ends it with a blank line
    std::cout.flush();
    return true;
  }

  static std::string message(ub2 type, long long rows) {
    std::string count = std::to_string(rows) + (rows == 1 ? " row " : " rows ");
    switch (type) {
      case OCI_STMT_INSERT:
        return count + "created.";
      case OCI_STMT_UPDATE:
        return count + "updated.";
      case OCI_STMT_DELETE:
        return count + "deleted.";
      default:
        return "Statement processed.";
    }
  }
  OciClient& client_;
  const Options& options_;
  bool failed_ = false;
};

std::string table_literal(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// --tables: every table, its row count and its first rows.
int show_tables(OciClient& client, const Options& o) {
  std::vector<std::string> names;
  client.run(
      "SELECT table_name FROM user_tables ORDER BY table_name", [](const std::vector<Column>&) {},
      [&](const std::vector<Cell>& r) {
        names.push_back(r[0].text);
        return true;
      });
  if (names.empty()) std::cout << "No tables.\n";
  for (const auto& name : names) {
    std::string count = "?";
    client.run(
        "SELECT COUNT(*) FROM " + table_literal(name), [](const std::vector<Column>&) {},
        [&](const std::vector<Cell>& r) {
          count = r[0].text;
          return false;
        });
    std::cout << "== " << name << " (" << count << (count == "1" ? " row" : " rows") << ") ==\n";
    if (o.table_rows <= 0) continue;
    ResultPrinter printer(std::cout, o.csv);
    int shown = 0;
    client.run(
        "SELECT * FROM " + table_literal(name),
        [&](const std::vector<Column>& c) { printer.header(c); },
        [&](const std::vector<Cell>& r) {
          printer.row(r);
          return ++shown < o.table_rows;
        });
    printer.finish(false);
    std::cout << "\n";
  }
  return 0;
}

int create_service(const Options& o) {
  if (o.texts.size() != 3) throw UsageError{"admin create-service needs NAME and --file"};
  std::string path = o.config;
  if (path.empty() && std::getenv("TARVEL_ORAEMB_CONFIG"))
    path = std::getenv("TARVEL_ORAEMB_CONFIG");
  if (path.empty()) throw UsageError{"admin create-service needs --config or TARVEL_ORAEMB_CONFIG"};
  if (o.files.size() != 1) throw UsageError{"admin create-service needs --file=PATH"};
  std::ofstream out(path, std::ios::app);
  if (!out) {
    std::cerr << "cannot write " << path << "\n";
    return 2;
  }
  out << "\n[service " << o.texts[2] << "]\nfile = " << o.files[0] << "\nprofile = " << o.profile
      << "\n";
  std::cout << "Service " << o.texts[2] << " added to " << path << ".\n";
  return 0;
}

// The session's statistics: round trips, parses, executes, commits.
const char kStatsQuery[] =
    "SELECT n.NAME, m.VALUE FROM V$MYSTAT m, V$STATNAME n WHERE m.STATISTIC# = n.STATISTIC#"
    " ORDER BY n.STATISTIC#";

// The SQL of an admin command on users, or of the statistics command.
std::vector<std::string> admin_sql(const Options& o) {
  const std::string& command = o.texts[1];
  std::vector<std::string> sql;
  if (command == "stats") {
    // The statements given, then what they cost.
    for (size_t k = 2; k < o.texts.size(); ++k)
      for (const auto& s : ScriptSplitter::split(o.texts[k])) sql.push_back(s);
    sql.push_back(kStatsQuery);
  } else if (command == "create-user") {
    if (o.texts.size() != 4) throw UsageError{"admin create-user needs NAME and PASSWORD"};
    std::string s = "CREATE USER " + o.texts[2] + " IDENTIFIED BY " + quoted_password(o.texts[3]);
    if (o.locked) s += " ACCOUNT LOCK";
    if (o.no_quota) s += " QUOTA 0 ON USERS";
    sql.push_back(s);
    std::stringstream list(o.revoke);
    std::string priv;
    while (std::getline(list, priv, ',')) {
      for (char& c : priv)
        if (c == '_' || c == '-') c = ' ';
      if (!priv.empty()) sql.push_back("REVOKE " + upper(priv) + " FROM " + o.texts[2]);
    }
  } else if (command == "lock-user" || command == "unlock-user") {
    if (o.texts.size() != 3) throw UsageError{"admin " + command + " needs NAME"};
    sql.push_back("ALTER USER " + o.texts[2] + " ACCOUNT " +
                  (command == "lock-user" ? "LOCK" : "UNLOCK"));
  } else {
    throw UsageError{"unknown admin command " + command};
  }
  return sql;
}

int run(const Options& o) {
  bool admin = !o.texts.empty() && o.texts[0] == "admin";
  if (admin && o.texts.size() < 2) throw UsageError{"admin needs a command"};
  if (admin && o.texts[1] == "create-service") return create_service(o);
  if (o.connect.empty() || o.user.empty()) throw UsageError{"--connect and --user are required"};
  std::vector<std::string> admin_statements;
  if (admin) admin_statements = admin_sql(o);

  OciClient client;
  client.lobs = o.lobs;
  try {
    client.logon(o.user, o.password, o.connect);
  } catch (const OciClientError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  Runner runner(client, o);
  auto run_all = [&](const std::vector<std::string>& statements) {
    for (const auto& s : statements)
      if (!runner.run(s) && !o.keep_going) return false;
    return true;
  };
  bool ok = true;
  if (admin) {
    ok = run_all(admin_statements);
  } else if (o.tables) {
    try {
      show_tables(client, o);
    } catch (const OciClientError& e) {
      std::cerr << e.what() << "\n";
      ok = false;
    }
  } else if (!o.texts.empty() || !o.files.empty()) {
    for (const auto& text : o.texts)
      if (ok) ok = run_all(ScriptSplitter::split(text));
    for (const auto& path : o.files) {
      if (!ok) break;
      std::ifstream in(path);
      if (!in) {
        std::cerr << "cannot read " << path << "\n";
        client.rollback();
        return 2;
      }
      std::stringstream text;
      text << in.rdbuf();
      ok = run_all(ScriptSplitter::split(text.str()));
    }
  } else {
    bool interactive = isatty(0);
    ScriptSplitter splitter;
    std::string line;
    while (true) {
      if (interactive) std::cout << (splitter.pending() ? "  2> " : "SQL> ") << std::flush;
      if (!std::getline(std::cin, line)) break;
      std::string word = upper(line);
      if (!splitter.pending() && (word == "EXIT" || word == "QUIT" || word == "EXIT;")) break;
      for (const auto& s : splitter.add_line(line)) {
        // At a terminal an error is shown and the session goes on.
        if (!runner.run(s) && !interactive && !o.keep_going) ok = false;
      }
      if (!ok) break;
    }
    if (ok)
      for (const auto& s : splitter.finish()) ok = runner.run(s) || o.keep_going;
    if (interactive) std::cout << "\n";
  }
  if (o.stats && !admin) ok = runner.run(kStatsQuery) && ok;
  try {
    // An error leaves nothing half done; otherwise logging off commits.
    if (runner.failed() && !o.keep_going) client.rollback();
    client.logoff();
  } catch (const OciClientError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return ok && !runner.failed() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(parse(argc, argv));
  } catch (const UsageError& e) {
    if (!e.message.empty()) std::cerr << "oraemb-sql: " << e.message << "\n";
    (e.message.empty() ? std::cout : std::cerr) << kUsage;
    return e.message.empty() ? 0 : 2;
  } catch (const OciClientError& e) {
    std::cerr << "oraemb-sql: " << e.what() << "\n";
    return 2;
  }
}
