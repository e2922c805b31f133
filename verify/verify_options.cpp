// Option table and classification of tarvel-verify's arguments.
#include "verify/verify_options.h"

#include "TK/tk_cmdli.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "tarvel_version.h"

namespace {

enum verify_option_id : int32_t {
  OPT_ACCP = 0,
  OPT_DEST,
  OPT_FORMAT,
  OPT_HELP,
  OPT_ORACLH,
  OPT_ORACLU,
  OPT_ORACLP,
  OPT_PORT,
  OPT_PROFILE,
  OPT_REPORT,
  OPT_SRC,
  OPT_SYSDB,
  OPT_TAB_FILE,
  OPT_UGLU,
  OPT_UGLP,
  OPT_UPPERCASE
};

const tk_cmdli_option kOptions[] = {
    {OPT_ACCP, "--accp="},
    {OPT_DEST, "--dest="},
    {OPT_FORMAT, "--format="},
    {OPT_HELP, "--help"},
    {OPT_ORACLH, "--oraclh="},
    {OPT_ORACLU, "--oraclu="},
    {OPT_ORACLP, "--oraclp="},
    {OPT_PORT, "--port="},
    {OPT_PROFILE, "--profile="},
    {OPT_REPORT, "--report="},
    {OPT_SRC, "--src="},
    {OPT_SYSDB, "--sysdb="},
    {OPT_TAB_FILE, "--tab_file="},
    {OPT_UGLU, "--uglu="},
    {OPT_UGLP, "--uglp="},
    {OPT_UPPERCASE, "--uppercase"},
    {0, ""},
};

const char kUsageBody[] =
    "Usage: tarvel-verify OPTIONS\n"
    "\n"
    "Compares every table of an MS Access database with the Oracle table it was\n"
    "converted into (row counts and full content) and lists what the conversion\n"
    "does not carry over.\n"
    "\n"
    "   --accp=...     MS Access database password\n"
    "   --dest=...     Oracle database name\n"
    "   --format=...   report format: text (default), csv or json\n"
    "   --help         display this help message and exit\n"
    "   --oraclh=...   network name or IP address of Oracle server\n"
    "   --oraclu=...   Oracle user name\n"
    "   --oraclp=...   Oracle user password\n"
    "   --port=...     Oracle port\n"
    "   --profile=...  path to the file to load conversion settings from\n"
    "   --report=...   write the report to this file instead of standard output\n"
    "   --src=...      MS Access database name\n"
    "   --sysdb=...    path to MS Access workgroup information file (*.mdw)\n"
    "   --tab_file=... file containing the list of tables to verify\n"
    "                  (one table name per line)\n"
    "   --uglu=...     user name for MS Access user-level security\n"
    "   --uglp=...     password for MS Access user-level security\n"
    "   --uppercase    table/field names were made uppercase by the conversion\n"
    "\n"
    "Exit status: 0 when every table is equal, 1 when something differs or is\n"
    "missing, 255 when the verification could not run.\n";

// "--oraclp" for the option of `id`.
std::string option_name(int32_t id) {
  std::string name = "option";
  for (const tk_cmdli_option* o = kOptions; o->name[0] != 0; ++o)
    if (o->id == id) name = o->name;
  if (!name.empty() && name.back() == '=') name.pop_back();
  return name;
}

}  // namespace

std::string verify_usage_text() {
  return tk_format("tarvel-verify v%d.%d\n", TARVEL_VERSION_MAJOR, TARVEL_VERSION_MINOR) +
         kUsageBody;
}

verify_cli verify_parse_cli(int argc, char** argv) {
  verify_cli cli;
  tk_cmdli scan(kOptions, argc, argv);
  while (scan.has_more()) {
    if (scan.unrecognised().size() + 1 >= tk_cmdli::kMaxUnrecognised) {
      // The scanner keeps a bounded list; the rest are not looked at.
      cli.unrecognised.push_back("...");
      break;
    }
    scan.next();
    const std::string value = scan.value() ? scan.value() : "";
    // Text values arrive as UTF-8.
    const auto wide = tk_utf8_to_wide(value);
    std::wstring* text = nullptr;
    switch (scan.id()) {
      case OPT_ACCP:
        text = &cli.access_password;
        break;
      case OPT_DEST:
        text = &cli.destination;
        break;
      case OPT_ORACLH:
        text = &cli.host;
        break;
      case OPT_ORACLU:
        text = &cli.user;
        break;
      case OPT_ORACLP:
        text = &cli.password;
        break;
      case OPT_PORT:
        text = &cli.port;
        break;
      case OPT_PROFILE:
        text = &cli.profile;
        break;
      case OPT_SRC:
        // A file name is bytes: taken whole, UTF-8 or not.
        cli.source = tk_file_name_to_wide(value);
        break;
      case OPT_SYSDB:
        text = &cli.workgroup_file;
        break;
      case OPT_UGLU:
        text = &cli.workgroup_user;
        break;
      case OPT_UGLP:
        text = &cli.workgroup_password;
        break;
      case OPT_TAB_FILE:
        cli.table_file = value;
        break;
      case OPT_REPORT:
        cli.report_file = value;
        break;
      case OPT_UPPERCASE:
        cli.uppercase = true;
        break;
      case OPT_HELP:
        cli.help = true;
        break;
      case OPT_FORMAT:
        if (value == "text")
          cli.report_format = verify_cli::format::text;
        else if (value == "csv")
          cli.report_format = verify_cli::format::csv;
        else if (value == "json")
          cli.report_format = verify_cli::format::json;
        else if (cli.error.empty())
          cli.error = "Invalid report format: use --format=text, --format=csv or --format=json";
        break;
      default:
        break;
    }
    if (text != nullptr && wide) *text = *wide;
    // A value that is not UTF-8 cannot be read: said, not dropped.
    if (text != nullptr && !wide && cli.error.empty())
      cli.error =
          "The value of " + option_name(scan.id()) + " cannot be read: it is not UTF-8 text.";
  }
  for (const std::string& arg : scan.unrecognised()) cli.unrecognised.push_back(arg);
  return cli;
}
