// The converter's links to the Access source and the Oracle destination.
// The source side is reached through a udb_source_engine (one per phase);
// the destination through the udb_destination that connect_oracle_server
// opens.
#pragma once

#include <memory>
#include <string>

#include "UDB/udb_database.h"
#include "UDB/udb_source_engine.h"

class acc_converter_impl;
class oracle_converter_impl;
class tarvel_convertor;

// What every phase reports when no engine version loads.
inline constexpr const char* kDaoLoadFailure =
    "Failed to load Data Access Objects (DAO) support library.\n"
    "Microsoft Access installation is required to proceed with\n"
    "the application.\n";

// The built-in source engine (the Access reader over the DAO component),
// used when no factory is registered on the converter.
std::unique_ptr<udb_source_engine> create_source_engine();
// Logs on to Oracle with the side's settings (oracle.engine) and hands the
// opened database to oracle.set_destination(); the engine's exceptions
// propagate unchanged.
void connect_destination(oracle_converter_impl& oracle, const std::wstring& database_name);

// Tries the engine versions 3, 0 and 1 in this order; false when none loads.
bool try_select_source_version(udb_source_engine& engine);
// The same; when none loads, the level-1 error kDaoLoadFailure.
void select_source_version(udb_source_engine& engine);
// Opens the source with the security settings and closes it again.
void check_access_source(const acc_converter_impl& access, const std::wstring& source_name,
                         const std::wstring& database_password);
// Whether the source can run the query; never raises.
bool test_source_query(const tarvel_convertor& conv, const std::wstring& query_text);
// Why the source cannot run the query: the engine's error text (or why the
// source did not open); empty when it runs. Never raises.
std::wstring source_query_error(const tarvel_convertor& conv, const std::wstring& query_text);

// The source opened for a short look outside a run (a query test, the list
// of saved queries): read-only, without the relationships, with the
// converter's security settings. The database closes before its engine.
struct source_look {
  std::unique_ptr<udb_source_engine> engine;
  std::unique_ptr<udb_database> db;
};
// Raises the engine's errors, or kDaoLoadFailure when no version loads.
source_look open_source_look(const tarvel_convertor& conv);
