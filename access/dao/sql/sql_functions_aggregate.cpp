// Aggregates of translated Access SQL that SQLite lacks or computes
// differently: exact decimal Sum/Avg, currency Avg, First/Last, Var/StDev.
#include <cmath>
#include <iterator>
#include <memory>

#include "access/dao/sql/sql_functions_values.h"

namespace sql_fn {
namespace {

// xFinal (always called once a step ran) takes it back.
template <class S>
S* step_state(sqlite3_context* ctx) {
  auto** slot = static_cast<S**>(sqlite3_aggregate_context(ctx, sizeof(S*)));
  if (!slot) return nullptr;
  if (!*slot) *slot = std::make_unique<S>().release();
  return *slot;
}

template <class S>
std::unique_ptr<S> final_state(sqlite3_context* ctx) {
  auto** slot = static_cast<S**>(sqlite3_aggregate_context(ctx, 0));
  if (!slot) return nullptr;
  std::unique_ptr<S> owned(*slot);
  *slot = nullptr;
  return owned;
}

struct dec_sum_state {
  sql_decimal sum;
  int64_t count = 0;
  bool overflow = false;
};

template <bool avg>
void dec_sum_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = step_state<dec_sum_state>(ctx);
  if (!st || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  auto v = dec_arg(argv[0]);
  if (!v) return;
  auto r = sql_dec_add(st->sum, *v);
  if (!r)
    st->overflow = true;
  else
    st->sum = *r;
  ++st->count;
}

template <bool avg>
void dec_sum_final(sqlite3_context* ctx) {
  const auto st = final_state<dec_sum_state>(ctx);
  if (!st || st->count == 0) return sqlite3_result_null(ctx);
  if (st->overflow) return sqlite3_result_error(ctx, kOverflow, -1);
  if (!avg) return result8(ctx, sql_dec_format(st->sum));
  auto r = sql_dec_div(st->sum, sql_decimal{st->count, 0});
  if (!r) return sqlite3_result_error(ctx, kOverflow, -1);
  result8(ctx, sql_dec_format(*r));
}

struct cy_avg_state {
  __int128 sum = 0;
  int64_t count = 0;
};

void cy_avg_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = step_state<cy_avg_state>(ctx);
  if (!st || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  st->sum += sqlite3_value_int64(argv[0]);
  ++st->count;
}

void cy_avg_final(sqlite3_context* ctx) {
  const auto st = final_state<cy_avg_state>(ctx);
  if (!st || st->count == 0) return sqlite3_result_null(ctx);
  const sql_decimal r =
      sql_dec_round(*sql_dec_div(sql_decimal{st->sum, 0}, sql_decimal{st->count, 0}), 0);
  sqlite3_result_int64(ctx, int64_t(r.m));
}

// First / Last: the value of the first / last row of the group.
struct pick_state {
  sqlite3_value* value;
  bool seen;
};

template <bool last>
void pick_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<pick_state*>(sqlite3_aggregate_context(ctx, sizeof(pick_state)));
  if (!st) return;
  if (st->seen && !last) return;
  sqlite3_value_free(st->value);
  st->value = sqlite3_value_dup(argv[0]);
  st->seen = true;
}

void pick_final(sqlite3_context* ctx) {
  auto* st = static_cast<pick_state*>(sqlite3_aggregate_context(ctx, 0));
  if (!st || !st->value) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, st->value);
  sqlite3_value_free(st->value);
  st->value = nullptr;
}

// Var / StDev (Welford), sample or population.
struct var_state {
  int64_t n;
  double mean, m2;
  bool population;
};

void var_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<var_state*>(sqlite3_aggregate_context(ctx, sizeof(var_state)));
  if (!st) return;
  st->population = sqlite3_value_int(argv[1]) != 0;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  const double x = sqlite3_value_double(argv[0]);
  ++st->n;
  const double delta = x - st->mean;
  st->mean += delta / double(st->n);
  st->m2 += delta * (x - st->mean);
}

template <bool root>
void var_final(sqlite3_context* ctx) {
  auto* st = static_cast<var_state*>(sqlite3_aggregate_context(ctx, 0));
  if (!st) return sqlite3_result_null(ctx);
  const int64_t d = st->population ? st->n : st->n - 1;
  if (d <= 0) return sqlite3_result_null(ctx);
  const double v = st->m2 / double(d);
  sqlite3_result_double(ctx, root ? std::sqrt(v) : v);
}

const aggregate_entry kEntries[] = {
    {"acc_dec_sum", 1, dec_sum_step<false>, dec_sum_final<false>},
    {"acc_dec_avg", 1, dec_sum_step<true>, dec_sum_final<true>},
    {"acc_cy_avg", 1, cy_avg_step, cy_avg_final},
    {"acc_first", 1, pick_step<false>, pick_final},
    {"acc_last", 1, pick_step<true>, pick_final},
    {"acc_var", 2, var_step, var_final<false>},
    {"acc_stdev", 2, var_step, var_final<true>},
};

}  // namespace

table<aggregate_entry> aggregate_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
