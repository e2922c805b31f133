// The agent's options: the table of the options, the handler that fills
// the converter from them, the table-list file reader and the one way the
// agent stops with a message.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TK/tk_cmdli.h"
#include "common/table_list.h"
#include "tarvel_version.h"

enum agent_option_id : int32_t {
  OPT_ACCP = 0,
  OPT_DEST,
  OPT_HELP,
  OPT_LOGFILE,
  OPT_MODE,
  OPT_ORACLH,
  OPT_ORACLU,
  OPT_ORACLP,
  OPT_PORT,
  OPT_PROFILE,
  OPT_SILENT,
  OPT_SKIP_IDX,
  OPT_SRC,
  OPT_SYSDB,
  OPT_TAB_DEF,
  OPT_TAB_FILE,
  OPT_UGLU,
  OPT_UGLP,
  OPT_UPPERCASE,
  OPT_VIEWS,
  OPT_JOBS
};

extern const tk_cmdli_option agent_options[];

inline constexpr int kAgentMajorVersion = TARVEL_VERSION_MAJOR;
inline constexpr int kAgentMinorVersion = TARVEL_VERSION_MINOR;

// The usage text, version line included, ending with one line feed.
std::string agent_usage_text();

// Trace line, then (unless the converter is silent) the text on standard
// error with a newline; ends the process with exit code -1.
[[noreturn]] void exit_with_message(const std::string& text);

// The value of --jobs=: a number from 1 to udb_converter::kMaxJobs in
// plain digits (no sign, space or leading zero); empty otherwise.
std::optional<int32_t> parse_jobs_value(const char* value);

// True when every option was recognised. Never returns on --help, a bad
// --mode value or a failed validation.
bool parse_cmd_line(int argc, char** argv);

// Replaces the converter's selected tables with the names in the file.
void process_tab_file(const std::string& path);
