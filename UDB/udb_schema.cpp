// Column lookup by name and schema conformity.
#include "UDB/udb_schema.h"

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

udb_schema::udb_schema(bool b_owner) : b_owner_(b_owner) {}

udb_schema::~udb_schema() = default;

t_ftd& udb_schema::add(std::unique_ptr<t_ftd> ftd) {
  TK_ASSERT(b_owner_ && ftd != nullptr);
  fields_.push_back(ftd.get());
  owned_.push_back(std::move(ftd));
  return *fields_.back();
}

void udb_schema::add_ref(t_ftd* ftd) {
  TK_ASSERT(!b_owner_ && ftd != nullptr);
  fields_.push_back(ftd);
}

bool udb_schema::conform_to(const udb_schema& dest) const {
  tk_trace(2, "udb_schema::conform_to");
  if (size() != dest.size()) {
    tk_trace(2, "Tables are not conformed: src_size=%d, dest_size=%d", size(), dest.size());
    return false;
  }
  for (size_t i = 0; i < size(); ++i) {
    const t_ftd& s = *fields_[i];
    const t_ftd& d = *dest.fields_[i];
    if (!s.conform_to(d)) {
      tk_trace(2, "Column #%d doesn't conform (src_vt=%d, src_size=%d, dest_vt=%d, dest_size=%d)",
               i + 1, s.vartype, s.size, d.vartype, d.size);
      return false;
    }
  }
  return true;
}

t_ftd* udb_schema::find(const std::wstring& name) const {
  tk_wtrace(2, L"udb_schema::find_field(%s)", name);
  for (t_ftd* f : fields_) {
    tk_wtrace(1, L"Processing %s", f->name);
    if (tk_wcs_equal_nocase(f->name, name)) return f;
  }
  return nullptr;
}

bool udb_schema::find_field(const std::wstring& name, std::nothrow_t) const {
  return find(name) != nullptr;
}

t_ftd& udb_schema::find_field(const std::wstring& name) {
  t_ftd* f = find(name);
  TK_ASSERT(f != nullptr);
  return *f;
}

const t_ftd& udb_schema::find_field(const std::wstring& name) const {
  const t_ftd* f = find(name);
  TK_ASSERT(f != nullptr);
  return *f;
}
