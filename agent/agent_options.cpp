// Option table, option handling and the table-list file of the agent.
#include "agent/agent_options.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "TK/tk_format.h"
#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao_check_sysdb.h"
#include "common/error_handler.h"
#include "common/table_list.h"
#include "common/tarvel_convertor.h"

// clang-format off
const tk_cmdli_option agent_options[] = {
    {OPT_ACCP, "--accp="},
    {OPT_DEST, "--dest="},
    {OPT_HELP, "--help"},
    {OPT_JOBS, "--jobs="},
    {OPT_LOGFILE, "--logfile="},
    {OPT_MODE, "--mode="},
    {OPT_ORACLH, "--oraclh="},
    {OPT_ORACLU, "--oraclu="},
    {OPT_ORACLP, "--oraclp="},
    {OPT_PORT, "--port="},
    {OPT_PROFILE, "--profile="},
    {OPT_SILENT, "--silent"},
    {OPT_SKIP_IDX, "--skip_idx"},
    {OPT_SRC, "--src="},
    {OPT_SYSDB, "--sysdb="},
    {OPT_TAB_DEF, "--tab_def"},
    {OPT_TAB_FILE, "--tab_file="},
    {OPT_UGLU, "--uglu="},
    {OPT_UGLP, "--uglp="},
    {OPT_UPPERCASE, "--uppercase"},
    {OPT_VIEWS, "--views"},
    {0, ""},
};
// clang-format on

namespace {

const char kUsageBody[] =
    "Usage: TARVAGENT.EXE OPTIONS\n"
    "\n"
    "   --accp=...     MS Access database password\n"
    "   --dest=...     Oracle database name\n"
    "   --help         display this help message and exit\n"
    "   --jobs=...     number of tables to convert at once, each on its own\n"
    "                  Oracle session (1 to 64, default 1)\n"
    "   --logfile=...  path to the file where execution trace will be written\n"
    "   --mode=...     how to process tables that already exist in Oracle database\n"
    "                  (1 - overwrite, 2 - skip, 3 - merge, 4 - synchronize)\n"
    "   --oraclh=...   network name or IP address of Oracle server\n"
    "   --oraclu=...   Oracle user name\n"
    "   --oraclp=...   Oracle user password\n"
    "   --port=...     Oracle port\n"
    "   --profile=...  path to the file to load conversion settings from\n"
    "   --silent       disable program output\n"
    "   --skip_idx     skip converting indexes\n"
    "   --src=...      MS Access database name\n"
    "   --sysdb=...    path to MS Access workgroup information file (*.mdw)\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "   --uglu=...     user name for MS Access user-level security\n"
    "   --uglp=...     password for MS Access user-level security\n"
    "   --uppercase    make table/field names uppercase\n"
    "   --views        create views for saved queries\n"
    "\n"
    "NOTES:\n"
    "   1) If you have specified a profile, there is no need to specify any other\n"
    "      parameters\n"
    "   2) You should omit 'sysdb', 'uglu' and 'uglp' parameters if not use\n"
    "      MS Access user-level security\n"
    "   3) The default mode is 'overwrite'. You can change it using\n"
    "      '--mode' parameter\n"
    "   4) It is necessary to specify 'port' parameter only if it differs from\n"
    "      the default Oracle port 1521\n"
    "   5) If you omit 'tab_file' parameter, all database tables will be converted\n"
    "   6) Command line parameters that contain spaces should be enclosed in\n"
    "      quotes (for example --src=\"c:\\My Documents\\Sales Report 2011.mdb\")\n";

}  // namespace

std::string agent_usage_text() {
  return tk_format("TARVAGENT v%d.%d\n", kAgentMajorVersion, kAgentMinorVersion) + kUsageBody;
}

void exit_with_message(const std::string& text) {
  tk_trace(3, "%s", text);
  if (!tarvel_convertor::exists() || !tarvel_convertor::instance().is_silent()) {
    std::fputs(text.c_str(), stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
  }
  std::fflush(stdout);
  std::exit(-1);
}

namespace {
// "The value of --oraclp cannot be read: ..." for the option of `id`.
std::string not_utf8_message(int id) {
  std::string name = "option";
  for (const tk_cmdli_option* o = agent_options; o->name[0] != 0; ++o)
    if (o->id == id) name = o->name;
  if (!name.empty() && name.back() == '=') name.pop_back();
  return "The value of " + name + " cannot be read: it is not UTF-8 text.";
}
}  // namespace

std::optional<int32_t> parse_jobs_value(const char* value) {
  const long jobs = std::strtol(value, nullptr, 10);
  if (std::to_string(jobs) != value || jobs < 1 || jobs > udb_converter::kMaxJobs)
    return std::nullopt;
  return static_cast<int32_t>(jobs);
}

void process_tab_file(const std::string& path) {
  tk_trace(1, "process_tab_file(%s)", path);
  if (auto problem = load_table_list(path, tarvel_convertor::instance().selected_tables))
    exit_with_message(*problem);
}

bool parse_cmd_line(int argc, char** argv) {
  tk_trace(2, "parse_cmd_line");
  for (int i = 0; i < argc; ++i) tk_trace(1, "parameter #%d: %s", i, argv[i]);

  tarvel_convertor& conv = tarvel_convertor::instance();
  std::wstring access_password, host, user, password, port = L"1521", sysdb, ugl_user, ugl_password;
  bool profile_loaded = false;
  std::string profile_path;

  tk_cmdli scan(agent_options, argc, argv);
  while (scan.has_more()) {
    scan.next();
    const char* value = scan.value();
    // Text values arrive in the narrow code page (UTF-8); one that does not
    // convert cannot be read, which is said rather than the value dropped.
    const auto wide = [&]() -> std::optional<std::wstring> {
      auto w = tk_utf8_to_wide(value);
      if (!w) exit_with_message(not_utf8_message(scan.id()));
      return w;
    };
    switch (scan.id()) {
      case OPT_DEST:
        tk_trace(2, "\tparse_cmd_line - got dest %s", value);
        if (auto w = wide()) conv.set_destination_name(*w);
        break;
      case OPT_HELP:
        exit_with_message(agent_usage_text());
      case OPT_LOGFILE:
        tk_trace(1, "parse_cmd_line - got logfile %s", value);
        conv.set_logfile(value);
        break;
      case OPT_MODE: {
        const long mode = std::strtol(value, nullptr, 10);
        tk_trace(2, "\tgot mode %d", mode);
        if (std::to_string(mode) != value || mode < 1 || mode > 4)
          exit_with_message("Invalid merge/overwrite mode");
        conv.set_mode(static_cast<int32_t>(mode));
        break;
      }
      case OPT_JOBS: {
        tk_trace(2, "\tgot jobs %s", value);
        const std::optional<int32_t> jobs = parse_jobs_value(value);
        if (!jobs)
          exit_with_message(tk_format("Invalid number of jobs: --jobs= takes a number from 1 to %d",
                                      udb_converter::kMaxJobs));
        conv.jobs = *jobs;
        break;
      }
      case OPT_PROFILE:
        tk_trace(1, "parse_cmd_line - got profile %s", value);
        if (auto w = wide()) {
          profile_loaded = conv.load_profile_file(*w);
          profile_path = value;
          // A file that is there but is no profile must not pass unnoticed
          // beside options that would let the run go on without it.
          if (!profile_loaded)
            throw tk_exception(tk_format("Profile '%s' could not be read: it is not a conversion "
                                         "profile.\nPlease verify the correct path/name was given.",
                                         value),
                               TK_LEVEL_RUN);
        }
        break;
      case OPT_SILENT:
        tk_trace(1, "parse_cmd_line - silent mode is ON");
        conv.set_silent(true);
        error_handler::instance().set_silent(true);
        break;
      case OPT_SKIP_IDX:
        tk_trace(2, "\tskip converting indexes");
        conv.skip_indexes = true;
        break;
      case OPT_SRC:
        tk_trace(2, "\tparse_cmd_line - got src %s", value);
        // A file name is bytes: taken whole, UTF-8 or not.
        conv.set_source_name(tk_file_name_to_wide(value));
        break;
      case OPT_TAB_DEF:
        tk_trace(2, "\tconvert table definitions only");
        conv.only_definitions = true;
        break;
      case OPT_TAB_FILE:
        tk_trace(2, "\tparse_cmd_line - got tab_file %s", value);
        process_tab_file(value);
        break;
      case OPT_UPPERCASE:
        tk_trace(2, "\tmake table names uppercase");
        conv.uppercase = true;
        break;
      case OPT_VIEWS:
        tk_trace(2, "\tcreate views for saved queries");
        conv.views = true;
        break;
      case OPT_ACCP:
      case OPT_ORACLH:
      case OPT_ORACLU:
      case OPT_ORACLP:
      case OPT_PORT:
      case OPT_SYSDB:
      case OPT_UGLU:
      case OPT_UGLP: {
        const auto w = wide();
        if (!w) break;
        std::wstring* kept[] = {
            &access_password, nullptr, nullptr,   nullptr,      nullptr, &host,   &user,
            &password,        &port,   nullptr,   nullptr,      nullptr, nullptr, &sysdb,
            nullptr,          nullptr, &ugl_user, &ugl_password};
        *kept[scan.id()] = *w;
        break;
      }
      default:
        break;
    }
  }
  if (!scan.unrecognised().empty()) return false;

  if (profile_loaded) conv.check_loaded_profile(profile_path);
  if (!profile_loaded) {
    if (conv.destination_name().empty()) exit_with_message("You should enter Oracle database name");
    if (conv.source_name().empty()) exit_with_message("You should enter MS Access database name");
    if (host.empty())
      exit_with_message("You should enter network name or IP address of Oracle server");
    if (!sysdb.empty() && !dao_check_sysdb(sysdb))
      exit_with_message("Not a valid MS Access workgroup information file");
    conv.access.database_password = access_password;
    conv.access.store_ugl_settings(sysdb, ugl_user, ugl_password);
    conv.oracle.store_oracle_settings(host, user, password, port);
  }
  return true;
}
