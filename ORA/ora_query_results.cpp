// ora_query_results: describe, define, execute and the row loop.
#include "ORA/ora_query_results.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
// Rows a server sends ahead of the fetches.
constexpr ub4 kPrefetchRows = 500;
}  // namespace

ora_query_results::ora_query_results(const std::wstring& table) : udb_recordset(table, true) {
  tk_trace(2, "ora_query_results::ctor(1)");
}

ora_query_results::ora_query_results(const std::wstring& table, const std::wstring& query)
    : udb_recordset(table, query, true) {
  tk_trace(2, "ora_query_results::ctor(2)");
}

ora_query_results::~ora_query_results() {
  tk_trace(2, "ora_query_results::dtor");
  record_.reset();
  tk_trace(1, "Step #1");
  // The readers' buffers go only after the statement that writes into them.
  stmt_.reset();
  for (size_t i = 0; i < readers_.size(); ++i) {
    tk_trace(1, "Step #2.%d", i);
    readers_[i].reset();
  }
  tk_trace(2, "ora_query_results::dtor - at the END");
}

void ora_query_results::initialize(uint32_t n_columns, const std::wstring& sql) {
  tk_wtrace(2, L"ora_query_results::initialize(%d, %s)", n_columns, sql);
  TK_ASSERT(!executed_ && stmt_ == nullptr);
  const ora_engine& engine = ora_engine::instance();
  const oci_functions& oci = oci_api();
  sql_ = sql;

  // The columns come from a describe: the statement is parsed and checked,
  // not run, so a server does the query's work once, for the rows below.
  ora_stmt describe;
  describe.prepare(sql);
  describe.execute(0, OCI_DESCRIBE_ONLY);
  if (n_columns == 0) {
    ub4 count = 0;
    check_oci_status(oci.OCIAttrGet(describe.handle(), OCI_HTYPE_STMT, &count, nullptr,
                                    OCI_ATTR_PARAM_COUNT, engine.err()),
                     "OCIAttrGet");
    n_columns = count;
  }
  for (ub4 position = 1; position <= n_columns; ++position) {
    tk_trace(1, "Processing column #%d", position);
    void* param = nullptr;
    check_oci_status(
        oci.OCIParamGet(describe.handle(), OCI_HTYPE_STMT, engine.err(), &param, position),
        "OCIParamGet");
    ub2 data_type = 0;
    check_oci_status(oci.OCIAttrGet(param, OCI_DTYPE_PARAM, &data_type, nullptr, OCI_ATTR_DATA_TYPE,
                                    engine.err()),
                     "OCIAttrGet");
    // The descriptor is the caller's to free, whatever happens to the reader.
    struct param_owner {
      void* param;
      ~param_owner() { oci_api().OCIDescriptorFree(param, OCI_DTYPE_PARAM); }
    } owner{param};
    readers_.push_back(gen_co_by_type(static_cast<OCIParam*>(param), data_type));
    schema().add(readers_.back()->get_ftd());
  }

  stmt_ = std::make_unique<ora_stmt>();
  stmt_->prepare(sql);
  // A server sends one row per fetch by default: each row would be a round
  // trip. The rows are read forward, so ask for them in batches.
  ub4 prefetch = kPrefetchRows;
  check_oci_status(oci.OCIAttrSet(stmt_->handle(), OCI_HTYPE_STMT, &prefetch, 0,
                                  OCI_ATTR_PREFETCH_ROWS, engine.err()),
                   "OCIAttrSet");
  for (size_t i = 0; i < readers_.size(); ++i) readers_[i]->define(*stmt_, static_cast<ub4>(i + 1));
  stmt_->execute(0, OCI_DEFAULT);
  executed_ = true;
}

void ora_query_results::append_record(const udb_record&) {
  tk_trace(2, "ora_query_results::append_record");
  TK_FAIL();
}

bool ora_query_results::is_eof() {
  tk_trace(2, "ora_query_results::is_eof");
  TK_ASSERT(executed_);
  fetched_ = true;
  // Oracle answers a fetch past the end with ORA-01002; the end is kept.
  if (at_end_) return true;
  const sword status = stmt_->fetch();
  at_end_ = status == OCI_NO_DATA;
  // "With info" may be a value cut to its buffer (ORA-01406, a LONG beyond
  // what is read of it): the row is refused rather than passed on cut.
  if (status == OCI_SUCCESS_WITH_INFO)
    for (const auto& reader : readers_)
      if (reader->is_truncated())
        throw ora_exception(1406, "ORA-01406: fetched column value was truncated (column \"" +
                                      tk_to_utf8(reader->name()) + "\")");
  return at_end_;
}

udb_record* ora_query_results::get_item() {
  tk_trace(2, "ora_query_results::get_item");
  if (!fetched_) {
    tk_trace(1, "fetch wasn't called yet");
    if (is_eof()) return nullptr;
  }
  // After the last row the buffers hold that row still: there is no record.
  if (at_end_) return nullptr;
  record_.reset();
  record_ = std::make_unique<ora_record>(readers_);
  fetched_ = false;
  return record_.get();
}
