// ora_record: the fields of one fetched row.
#include "ORA/ora_record.h"

#include "TK/tk_trace.h"

ora_record::ora_record(const std::vector<std::unique_ptr<ora_type>>& readers) {
  tk_trace(2, "ora_record::ctor");
  for (size_t i = 0; i < readers.size(); ++i) {
    ora_type& reader = *readers[i];
    if (reader.is_null()) {
      tk_trace(1, "Field #%d has NULL value", i);
      add(std::make_unique<udb_field>(reader.name(), reader.size(), ole_variant(), false, false));
    } else {
      add(std::make_unique<udb_field>(reader.name(), reader.size(), reader.to_variant(), false,
                                      false));
    }
  }
}
