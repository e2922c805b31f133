// What a conversion does not carry over, read from the Access file's own
// catalog (MSysObjects, MSysQueries, MSysRelationships and the column
// properties) and, for relationships and indexes, compared with what Oracle
// holds: saved queries (by kind), linked and system tables, validation rules
// and texts, descriptions, captions, input masks, lookups, complex and
// calculated columns, relationships without a foreign key (with the reason)
// and indexes that Oracle lacks. Read-only on both sides.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "verify/verify_result.h"
#include "verify/verify_run.h"

class udb_database;
class ora_database;

// The Oracle column names of each compared Oracle table, by the Access
// column names: Oracle table -> (Access column -> Oracle column).
using verify_column_names = std::map<std::wstring, std::map<std::wstring, std::wstring>>;

// `oracle_name` gives the Oracle table name of a source table; `paired` the
// Oracle tables the check found, `columns` their columns; `viewed` the
// saved queries that have a view. Validation rules that a converted table
// holds as CHECK constraints, and descriptions and validation texts that
// its comments hold, are carried and not listed.
std::vector<verify_omission> verify_not_carried_over(
    const verify_settings& settings, udb_database& source,
    const std::function<std::wstring(const std::wstring&)>& oracle_name,
    const std::set<std::wstring>& paired, const verify_column_names& columns, ora_database& oracle,
    const std::set<std::wstring>& viewed = {});

// The kind of a saved query from its MSysObjects flags and whether it takes
// parameters: "select", "union", "crosstab", "action (delete)", ...
std::string verify_query_kind(uint32_t flags, bool has_parameters);
// An ODBC connect text without its password.
std::string verify_connect_without_password(const std::string& connect);
