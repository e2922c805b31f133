// dao_record: reading the fields of the current row.
#include "access/dao_record.h"

#include <memory>

#include "TK/tk_trace.h"
#include "access/dao_calls.h"
#include "access/dao_exception.h"
#include "access/dao_field.h"

dao_record::dao_record(ole_com_ptr<DAOFields> fields, const std::vector<int32_t>& skip)
    : fields_(std::move(fields)) {
  TK_ASSERT(fields_);
  fields_->AddRef();
  tk_trace(1, "dao_record::dao_record: n_refs = %d", fields_->Release());
  int16_t count = 0;
  dao_check(fields_->get_Count(&count));
  size_t next_skip = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (next_skip < skip.size() && skip[next_skip] == i) {
      ++next_skip;
      continue;
    }
    ole_com_ptr<DAOField> field;
    dao_check(fields_->get_Item(dao_long_variant(i), field.out()));
    dao_check_object(field.get(), "field");
    add(std::make_unique<dao_field>(std::move(field), true));
  }
}
