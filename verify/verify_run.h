// The verification of a conversion: every Access table (and each query of a
// profile, and each child table of a complex column) paired with its Oracle
// table by the conversion's name rules, its rows compared in canonical form
// (verify_canonical.h) by count and order-independent digest, the differing
// rows located in a second pass only when the digests differ, and the list
// of what the conversion does not carry over. Nothing is written on either
// side: the source is opened read-only and Oracle only receives queries.
// Runs on one thread (the one that uses the Oracle session).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "UDB/udb_converter.h"
#include "verify/verify_result.h"

class udb_source_engine;
class ora_database;
class tarvel_convertor;

struct verify_settings {
  std::wstring source;
  std::wstring database_password;
  std::wstring workgroup_file;
  std::wstring workgroup_user;
  std::wstring workgroup_password;
  bool uppercase = false;
  // Tables to verify (empty: every table of the source) and the queries of a
  // profile (name -> SELECT text; an empty text is a table).
  std::vector<std::wstring> selected_tables;
  udb_converter::query_map queries;
  // Rows of one side the second pass keeps in memory before it spreads them
  // over temporary files.
  size_t memory_rows = 100000;
  // Told the name of each table as its check starts.
  std::function<void(const std::string& table)> progress;
  // Looked at between tables and during reading; a stop ends the run early
  // with the tables done so far.
  const std::atomic<bool>* stop = nullptr;
};

// Runs the check. The source is opened through `engine` (version selected
// here), Oracle is the open destination database. Failures to open the
// source or to read Oracle's dictionary propagate as the layers' exceptions;
// a table that cannot be read is reported as differing with the message.
verify_result verify_run(const verify_settings& settings, udb_source_engine& engine,
                         ora_database& oracle);

// Whether an Oracle table name is one that the recycle bin gives a dropped
// table: such tables are not part of the schema (an older server lists them
// in USER_TABLES).
bool verify_is_recycled_name(const std::wstring& table);

// The settings of a converter's last run: its source, security, selected
// tables and queries and name case.
verify_settings verify_settings_from(const tarvel_convertor& conv);
// The check of a converter's last run: its source through its source engine,
// against its open Oracle database (connected first when it is not). For a
// worker thread: nothing else may use the converter's Oracle session
// meanwhile.
verify_result verify_converted(tarvel_convertor& conv, const std::atomic<bool>* stop = nullptr);
