// Compound queries: UNION [ALL], INTERSECT and MINUS of query blocks, with
// the ORDER BY and row limit of the whole. The branches must agree in
// column count (ORA-01789) and type group (ORA-01790); the result takes the
// first branch's names. UNION, INTERSECT and MINUS return distinct rows,
// sorted on all columns as Oracle's sort-based plans give them.
#include <algorithm>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/query_executor.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

// The type group a set operation compares: 0 for a NULL literal (any).
int type_group(const OraType& t) {
  switch (t.base) {
    case Base::Char:
    case Base::Nchar:
      return t.length == 0 ? 0 : 1;
    case Base::Varchar2:
    case Base::Nvarchar2:
    case Base::Long:
      return 1;
    case Base::Number:
    case Base::Float:
    case Base::BinaryFloat:
    case Base::BinaryDouble:
      return 2;
    case Base::Date:
      return 3;
    case Base::Timestamp:
      return 4;
    case Base::Raw:
      return 5;
    case Base::Rowid:
      return 6;
    default:
      return 10 + static_cast<int>(t.base);
  }
}

std::vector<ColumnDesc> combine(const std::vector<ColumnDesc>& a,
                                const std::vector<ColumnDesc>& b) {
  if (a.size() != b.size()) raise_query(1789);
  std::vector<ColumnDesc> out = a;
  for (size_t k = 0; k < a.size(); ++k) {
    int ga = type_group(a[k].type), gb = type_group(b[k].type);
    if (ga >= 10 || gb >= 10) raise(932, {a[k].type.name(), b[k].type.name()});
    if (ga != 0 && gb != 0 && ga != gb) raise_query(1790);
    if (ga == 0) {
      out[k].type = b[k].type;
    } else if (ga == 1 && gb == 1) {
      // CHAR with VARCHAR2 gives VARCHAR2; the longer length.
      if (a[k].type.base == Base::Char || b[k].type.base != Base::Char) {
        if (b[k].type.base == Base::Varchar2 || b[k].type.base == Base::Nvarchar2)
          out[k].type.base = b[k].type.base;
      }
      out[k].type.length = std::max(a[k].type.length, b[k].type.length);
    } else if (ga == 2 && a[k].type.base == Base::Number && b[k].type.base == Base::Number &&
               (a[k].type.precision != b[k].type.precision || a[k].type.scale != b[k].type.scale)) {
      out[k].type = number_type();
    }
    out[k].type.nullable = a[k].type.nullable || b[k].type.nullable;
  }
  return out;
}

bool row_less(const std::vector<Value>& a, const std::vector<Value>& b) {
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].is_null() || b[k].is_null()) {
      if (a[k].is_null() && b[k].is_null()) continue;
      return b[k].is_null();
    }
    int c = compare_values(a[k], b[k]);
    if (c != 0) return c < 0;
  }
  return false;
}

// The ORDER BY of a compound: a position, or a name of the result columns.
std::vector<int> order_positions(const SelectStmt& sel, const std::vector<ColumnDesc>& desc) {
  std::vector<int> out;
  for (const auto& o : sel.order_by) {
    const Expr& e = *o.expr;
    if (e.op == Op::Literal && e.literal.kind == Kind::Number) {
      auto k = e.literal.number.to_int64();
      if (!k || *k < 1 || *k > static_cast<int64_t>(desc.size())) raise_query(1785);
      out.push_back(static_cast<int>(*k - 1));
      continue;
    }
    if (e.op != Op::Column || !e.qualifier.empty()) raise_query(1785);
    int found = -1;
    for (size_t k = 0; k < desc.size() && found < 0; ++k)
      if (desc[k].name == e.name) found = static_cast<int>(k);
    if (found < 0) raise(904, {dq(e.name)});
    out.push_back(found);
  }
  return out;
}

}  // namespace

std::vector<ColumnDesc> QueryExecutor::compound_describe(SelectStmt& sel,
                                                         const Scope* outer_scope) {
  WithScope with(*this, sel);
  if ((sel.offset || sel.fetch) && s_.profile_.version < 121) raise(933);
  auto desc = combine(describe(*sel.set_left, outer_scope), describe(*sel.set_right, outer_scope));
  order_positions(sel, desc);
  return desc;
}

Rows QueryExecutor::run_compound(SelectStmt& sel, const Scope* outer_scope,
                                 const EvalContext* outer_row, std::vector<ColumnDesc>* desc_out) {
  if (sel.for_update) throw ora_error(1786, "FOR UPDATE of this query expression is not allowed");
  std::vector<ColumnDesc> desc = compound_describe(sel, outer_scope);
  if (desc_out) *desc_out = desc;
  WithScope with(*this, sel);
  Rows left = run(*sel.set_left, nullptr, outer_scope, outer_row, nullptr, nullptr);
  Rows right = run(*sel.set_right, nullptr, outer_scope, outer_row, nullptr, nullptr);
  Rows rows;
  if (sel.set_op == SelectStmt::UnionAll) {
    rows = std::move(left);
    for (auto& r : right) rows.push_back(std::move(r));
  } else {
    std::set<std::string> seen, other;
    if (sel.set_op == SelectStmt::Union) {
      for (auto* side : {&left, &right})
        for (auto& r : *side)
          if (seen.insert(row_key(r)).second) rows.push_back(std::move(r));
    } else {
      for (const auto& r : right) other.insert(row_key(r));
      const bool keep_common = sel.set_op == SelectStmt::Intersect;
      for (auto& r : left) {
        std::string key = row_key(r);
        if (other.count(key) != static_cast<size_t>(keep_common)) continue;
        if (seen.insert(key).second) rows.push_back(std::move(r));
      }
    }
    std::stable_sort(rows.begin(), rows.end(), row_less);
  }
  std::vector<int> positions = order_positions(sel, desc);
  std::vector<std::vector<Value>> keys;
  if (!positions.empty()) {
    std::vector<size_t> index(rows.size());
    for (size_t k = 0; k < rows.size(); ++k) index[k] = k;
    auto key_row = [&](size_t r) {
      std::vector<Value> key;
      for (int p : positions) key.push_back(rows[r][p]);
      return key;
    };
    std::vector<std::vector<Value>> all_keys;
    for (size_t k = 0; k < rows.size(); ++k) all_keys.push_back(key_row(k));
    std::stable_sort(index.begin(), index.end(), [&](size_t a, size_t b) {
      const auto& x = all_keys[a];
      const auto& y = all_keys[b];
      for (size_t k = 0; k < sel.order_by.size(); ++k) {
        const OrderItem& item = sel.order_by[k];
        bool nulls_first = item.nulls ? item.nulls == 1 : item.desc;
        if (x[k].is_null() || y[k].is_null()) {
          if (x[k].is_null() && y[k].is_null()) continue;
          return x[k].is_null() ? nulls_first : !nulls_first;
        }
        int c = compare_values(x[k], y[k]);
        if (c != 0) return item.desc ? c > 0 : c < 0;
      }
      return false;
    });
    Rows sorted;
    for (size_t i : index) {
      sorted.push_back(std::move(rows[i]));
      keys.push_back(std::move(all_keys[i]));
    }
    rows = std::move(sorted);
  }
  limit_rows(sel, rows, sel.with_ties ? &keys : nullptr);
  return rows;
}

}  // namespace oraemb
