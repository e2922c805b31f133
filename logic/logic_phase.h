// The run's last phase: what an Access database holds beside its rows,
// carried into Oracle after the tables and foreign keys. Descriptions (and
// validation texts) become comments, validation rules CHECK constraints
// (ENABLE NOVALIDATE with a count when old rows break one), and, when asked,
// saved select and union queries views in the order they read each other.
// What cannot be carried is reported with its reason; the run goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TK/tk_exception.h"

class ora_database;

struct logic_table_done {
  std::wstring access;   // the source table
  std::wstring oracle;   // its Oracle table
  bool created = false;  // made by this run (constraints are added only then)
  bool skipped = false;  // there from an earlier run and left alone: views may read it
};

struct logic_run {
  std::wstring source;    // the Access file
  std::wstring password;  // its database password
  bool views = false;
  bool overwrite = false;  // the run's mode drops what it makes again
  std::vector<logic_table_done> tables;
  // The Oracle name planned for a saved query's view.
  std::function<std::wstring(const std::wstring&)> view_name;
  std::function<bool()> stop_requested;
};

class logic_report {
 public:
  virtual ~logic_report() = default;
  // A line of the run's report (console and trace).
  virtual void note(const std::string& line) = 0;
  // Oracle refused a statement for `object`; the run goes on.
  virtual void error(const std::wstring& object, const tk_exception& e) = 0;
};

// Never raises for one object: each failure is reported and the next
// object follows. An Access file the reader cannot open is traced and
// nothing is done.
void logic_carry_over(const logic_run& run, ora_database& oracle, logic_report& report);

// A comment's text as Oracle keeps it: control characters other than tab,
// line feed and carriage return become blanks, and a text over 4000 bytes
// of UTF-8 is cut at a character boundary. `changed` tells what was done.
std::string logic_comment_text(const std::string& text, std::string& changed);
