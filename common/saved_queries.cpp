// Listing the source's saved queries for the query dialog.
#include "common/saved_queries.h"

#include "ORA/ora_validator.h"
#include "TK/tk_trace.h"
#include "common/source_check.h"
#include "common/tarvel_convertor.h"

std::vector<source_saved_query> list_saved_queries(const tarvel_convertor& conv) {
  tk_trace(2, "list_saved_queries");
  std::vector<source_saved_query> out;
  try {
    source_look look = open_source_look(conv);
    udb_database* db = look.db.get();
    for (const std::wstring& name : db->saved_queries()) {
      source_saved_query query;
      query.name = name;
      query.sql = L"SELECT * FROM [" + name + L"]";
      query.runnable = db->test_query(query.sql);
      if (!query.runnable) query.reason = db->query_error(query.sql);
      if (!query.runnable && query.reason.empty())
        query.reason = L"The Access SQL layer cannot run this query.";
      tk_wtrace(2, L"Saved query '%s': %s", name,
                query.runnable ? std::wstring(L"runs") : query.reason);
      out.push_back(std::move(query));
    }
  } catch (const std::exception& e) {
    tk_trace(2, "Saved queries not listed: %s", e.what());
    out.clear();
  }
  return out;
}

std::wstring saved_query_table_name(const std::wstring& name) {
  ora_validator validator;
  return validator.get_safe_name(name);
}
