// The short source phases outside a run: checking that the source opens with
// its security settings, and testing a query for the wizard's query dialog.
// Both go through the converter's source engine, like the run itself.
#include <exception>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "common/acc_converter_impl.h"
#include "common/source_check.h"
#include "common/tarvel_convertor.h"

namespace {
std::unique_ptr<udb_source_engine> new_engine() {
  if (tarvel_convertor* conv = tarvel_convertor::instance_ptr()) return conv->make_source_engine();
  return create_source_engine();
}
}  // namespace

bool try_select_source_version(udb_source_engine& engine) {
  for (int32_t key : {3, 0, 1})
    if (engine.set_version_if(key)) return true;
  return false;
}

void select_source_version(udb_source_engine& engine) {
  if (!try_select_source_version(engine)) throw tk_exception(kDaoLoadFailure, TK_LEVEL_RUN);
}

void check_access_source(const acc_converter_impl& access, const std::wstring& source_name,
                         const std::wstring& database_password) {
  std::unique_ptr<udb_source_engine> engine = new_engine();
  select_source_version(*engine);
  if (!access.workgroup_file.empty() && !access.workgroup_user.empty()) {
    engine->set_ugl_info(access.workgroup_file, access.workgroup_user, access.workgroup_password);
  } else {
    tk_trace(2, "UGL info NOT found");
    engine->set_anonymous_sys_db();
  }
  // Closed at once: the database first, then the engine.
  std::unique_ptr<udb_database> db =
      engine->open_db(source_name, udb_source_engine::kOpenCheck, database_password);
  db.reset();
}

source_look open_source_look(const tarvel_convertor& conv) {
  source_look look;
  look.engine = conv.make_source_engine();
  select_source_version(*look.engine);
  look.engine->set_ugl_info(conv.access.workgroup_file, conv.access.workgroup_user,
                            conv.access.workgroup_password);
  // Read-only and without the relationships: a look needs neither write
  // access nor the foreign keys (whose read errors would be reported).
  look.db = look.engine->open_db(conv.source_name(), udb_source_engine::kOpenList,
                                 conv.access.database_password);
  return look;
}

std::wstring source_query_error(const tarvel_convertor& conv, const std::wstring& query_text) {
  try {
    source_look look = open_source_look(conv);
    return look.db->query_error(query_text);
  } catch (const tk_exception& e) {
    return tk_to_wide(e.message());
  } catch (...) {
    return L"";
  }
}

bool test_source_query(const tarvel_convertor& conv, const std::wstring& query_text) {
  try {
    source_look look = open_source_look(conv);
    return look.db->test_query(query_text);
  } catch (...) {
    return false;
  }
}
