// dao_record: the current row of a DAO recordset, one dao_field per field of
// its Fields collection that is a column, in collection order. A record
// handed out (dao_recordset::take_item) may be used and destroyed on another
// thread; its fields then go back to the recordset's dao_field_pool, and a
// later record of the same recordset reads its values into them, so that a
// scan makes fields only for the records alive at once (those of a batch
// being written, a queue between threads), not one set per row.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "UDB/udb_record.h"
#include "access/dao_field.h"

// The fields of destroyed records of one recordset, waiting for reuse.
// Held by the recordset (shared_ptr); its records hold it weakly, so either
// may outlive the other. Thread-safe.
class dao_field_pool {
 public:
  // One record's fields; empty when none are waiting.
  std::vector<std::unique_ptr<udb_field>> take();
  void give(std::vector<std::unique_ptr<udb_field>> fields);

 private:
  std::mutex mutex_;
  std::vector<std::vector<std::unique_ptr<udb_field>>> free_;
};

class dao_record : public udb_record {
 public:
  // One field per column description (dao_field::of_current_row), or the
  // fields of an earlier record from `pool`; the current row's values read.
  explicit dao_record(const std::vector<std::unique_ptr<dao_field>>& columns,
                      const std::shared_ptr<dao_field_pool>& pool = nullptr);
  // The fields go back to the pool while it is there.
  ~dao_record() override;
  dao_record(const dao_record&) = delete;
  dao_record& operator=(const dao_record&) = delete;

  // Reads the current row's values into the fields.
  void read_values();

 private:
  std::weak_ptr<dao_field_pool> pool_;
};
