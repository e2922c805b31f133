// The source database's saved queries as the wizard's query dialog offers
// them: each by name, with the SELECT text that converts it and whether the
// source can run that text (the same test a typed query gets), with the
// database's reason when it cannot.
#pragma once

#include <string>
#include <vector>

class tarvel_convertor;

struct source_saved_query {
  std::wstring name;      // as saved in the source
  std::wstring sql;       // SELECT * FROM [name]
  bool runnable = false;  // the source's test_query passed
  std::wstring reason;    // the source's error when it did not
};

// The saved queries that give rows, in the source's order. Opens the source
// with the converter's settings once; empty when it cannot be opened (the
// wizard has checked it on the page before). Never raises.
std::vector<source_saved_query> list_saved_queries(const tarvel_convertor& conv);

// A table name for the result of the saved query: Oracle's identifier rules
// (a letter first, letters, digits, '_', '$', '#', at most 30 bytes) applied
// as the run applies them to table names.
std::wstring saved_query_table_name(const std::wstring& name);
