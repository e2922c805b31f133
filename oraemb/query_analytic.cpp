// Analytic functions over the rows of a query block (after WHERE, GROUP BY
// and HAVING): ROW_NUMBER, RANK, DENSE_RANK and SUM / COUNT / AVG / MIN /
// MAX OVER (PARTITION BY ... ORDER BY ...). With ORDER BY an aggregate
// covers its partition from the first row to the current row's last peer
// (Oracle's default window); without it, the whole partition.
#include <algorithm>
#include <map>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/query_plan.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

int order_compare(const std::vector<Value>& a, const std::vector<Value>& b, const WindowSpec& w) {
  for (size_t k = 0; k < a.size(); ++k) {
    const bool desc = w.desc[k];
    const bool nulls_first = w.nulls[k] ? w.nulls[k] == 1 : desc;
    if (a[k].is_null() || b[k].is_null()) {
      if (a[k].is_null() && b[k].is_null()) continue;
      return a[k].is_null() == nulls_first ? -1 : 1;
    }
    int c = compare_values(a[k], b[k]);
    if (c != 0) return desc ? -c : c;
  }
  return 0;
}

}  // namespace

std::vector<std::vector<Value>> compute_analytics(Session& s, const Plan& plan,
                                                  std::vector<EvalContext>& rows) {
  const size_t n = rows.size(), na = plan.analytics.size();
  std::vector<std::vector<Value>> out(n, std::vector<Value>(na));
  for (size_t a = 0; a < na; ++a) {
    const Expr& e = *plan.analytics[a];
    const WindowSpec& w = *e.over;
    const bool star = !e.args.empty() && e.args[0]->op == Op::Star;
    std::map<std::string, std::vector<size_t>> partitions;
    std::vector<std::vector<Value>> keys(n);
    std::vector<Value> arg(n);
    for (size_t i = 0; i < n; ++i) {
      std::string part;
      for (const auto& p : w.partition_by) {
        std::string k = value_key(s.eval(*p, rows[i]));
        part += std::to_string(k.size()) + ":" + k;
      }
      partitions[part].push_back(i);
      for (const auto& o : w.order_by) keys[i].push_back(s.eval(*o, rows[i]));
      if (!e.args.empty() && !star) arg[i] = s.eval(*e.args[0], rows[i]);
    }
    for (auto& [part, index] : partitions) {
      std::stable_sort(index.begin(), index.end(),
                       [&](size_t x, size_t y) { return order_compare(keys[x], keys[y], w) < 0; });
      const std::string& f = e.name;
      // Peer groups: rows with equal ORDER BY keys (all rows without one).
      size_t group_start = 0;
      int64_t dense = 0;
      Value acc;
      int64_t count = 0;
      std::set<std::string> seen;
      size_t folded = 0;  // rows of the partition folded into acc so far
      for (size_t pos = 0; pos < index.size(); ++pos) {
        size_t i = index[pos];
        if (pos == 0 || w.order_by.empty() ||
            order_compare(keys[index[pos - 1]], keys[i], w) != 0) {
          if (pos == 0 || !w.order_by.empty()) {
            group_start = pos;
            ++dense;
          }
        }
        if (f == "ROW_NUMBER") {
          out[i][a] = Value::num(OraNumber::from_int(static_cast<int64_t>(pos) + 1));
          continue;
        }
        if (f == "RANK") {
          out[i][a] = Value::num(OraNumber::from_int(static_cast<int64_t>(group_start) + 1));
          continue;
        }
        if (f == "DENSE_RANK") {
          out[i][a] = Value::num(OraNumber::from_int(dense));
          continue;
        }
        // The window ends with the current row's last peer.
        size_t end = index.size();
        if (!w.order_by.empty()) {
          end = pos + 1;
          while (end < index.size() && order_compare(keys[index[end]], keys[i], w) == 0) ++end;
        }
        for (; folded < end; ++folded) {
          size_t r = index[folded];
          if (star) {
            ++count;
            continue;
          }
          const Value& v = arg[r];
          if (v.is_null()) continue;
          if (e.distinct && !seen.insert(value_key(v)).second) continue;
          ++count;
          if (f == "SUM" || f == "AVG") {
            acc = Value::num(acc.is_null() ? value_number(v) : acc.number + value_number(v));
          } else if (f == "MIN" || f == "MAX") {
            if (acc.is_null() ||
                (f == "MIN" ? compare_values(v, acc) < 0 : compare_values(v, acc) > 0))
              acc = v;
          }
        }
        if (f == "COUNT")
          out[i][a] = Value::num(OraNumber::from_int(count));
        else if (f == "AVG")
          out[i][a] = acc.is_null() ? acc : Value::num(acc.number / OraNumber::from_int(count));
        else
          out[i][a] = acc;
      }
    }
  }
  return out;
}

}  // namespace oraemb
