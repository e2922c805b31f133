// The options of tarvel-verify: the source and destination options of the
// conversion program with the same meanings, plus the report's format and
// file. Parsing only classifies and checks the arguments; files named by
// them (profile, table list) are read by the caller.
#pragma once

#include <string>
#include <vector>

struct verify_cli {
  enum class format { text, csv, json };

  std::wstring source;
  std::wstring access_password;
  std::wstring workgroup_file;
  std::wstring workgroup_user;
  std::wstring workgroup_password;
  std::wstring destination;
  std::wstring host;
  std::wstring port = L"1521";
  std::wstring user;
  std::wstring password;
  std::wstring profile;
  std::string table_file;
  bool uppercase = false;
  bool help = false;
  format report_format = format::text;
  std::string report_file;
  // Arguments that are no option of the program.
  std::vector<std::string> unrecognised;
  // A value that stops the program, with its message ("" when none).
  std::string error;
};

// The usage text, ending with one line feed.
std::string verify_usage_text();
// Classifies the arguments (argv[0] is the program).
verify_cli verify_parse_cli(int argc, char** argv);
