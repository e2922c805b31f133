// The converter of this system: every setting of a run (source, destination,
// security, mode, selected tables and queries, flags, progress) and the run
// itself. One instance per process. The wizard's converter loads the last
// settings from the settings store at construction and saves them at
// destruction; the agent's never touches the store.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_reg_key.h"
#include "TK/tk_singl.h"
#include "UDB/udb_converter.h"
#include "UDB/udb_source_engine.h"
#include "common/acc_converter_impl.h"
#include "common/oracle_converter_impl.h"
#include "common/table_outcome.h"

enum class tarvel_front_end { agent, wizard };

class tarvel_convertor : public udb_converter, public tk_singl<tarvel_convertor> {
 public:
  static constexpr const wchar_t* kSettingsKey = L"Software\\Quillfern\\Ferrolith";

  explicit tarvel_convertor(tarvel_front_end front_end);
  ~tarvel_convertor() override;

  // The run: converts every selected table and query into the open Oracle
  // database (oracle.destination()). Errors are routed per record, per table
  // and per run through the error_handler, which must exist.
  void operator()() override;
  // Replaces `list` with the names of the source's tables.
  void get_all_tables(std::vector<std::wstring>& list);
  bool test_query(const std::wstring& query_text) override;
  // The source's error for a query test_query refused; empty when none.
  std::wstring query_error(const std::wstring& query_text) const;

  // Reads (store false) or writes (store true) the last settings; true only
  // when the key opened and every value was read or written.
  bool serialize(bool store);

  bool store_profile(udb_profile& profile) const;
  bool load_profile(const udb_profile& profile);
  // Loads a profile file into the settings; true when it was loaded.
  bool load_profile_file(const std::wstring& path);
  // What an unattended run cannot do without after loading the profile at
  // `path` (the console programs take the profile in place of the other
  // options): a level-1 tk_exception naming the setting it lacks.
  void check_loaded_profile(const std::string& path) const;
  void store_profile_file(const std::wstring& path) const;

  tarvel_front_end front_end() const { return front_end_; }

  // The source side: makes the engine that opens the source database, one
  // per phase (source check, table listing, query test, run). Unset, the
  // built-in Access engine is used (create_source_engine, source_check.h).
  // Set before a phase starts, not during one.
  using source_engine_factory = std::function<std::unique_ptr<udb_source_engine>()>;
  void set_source_engine_factory(source_engine_factory factory) {
    source_engine_factory_ = std::move(factory);
  }
  std::unique_ptr<udb_source_engine> make_source_engine() const;

  oracle_converter_impl oracle;
  acc_converter_impl access;
  bool use_workgroup_security = false;
  bool uppercase = false;
  // One record per entry the last run visited, in its order (child tables
  // right after their table). Cleared when a run starts; read after it.
  std::vector<table_outcome> outcomes;

 private:
  tarvel_front_end front_end_;
  source_engine_factory source_engine_factory_;
};
