// The DAO errors an Access SQL text can fail with, numbered and worded as the
// engine reports them. Each answers a jet_failure, which the DAO objects turn
// into an entry of DBEngine.Errors.
#pragma once

#include <string>

#include "access/dao/jet_error.h"

namespace sql_errors {
// 3075, with the query expression quoted.
jet_failure missing_operator(const std::string& expression);
jet_failure bad_string(const std::string& expression);
jet_failure bad_date(const std::string& expression);
jet_failure missing_bracket(const std::string& expression);
jet_failure extra_paren(const std::string& expression);
jet_failure from_clause();                                      // 3131
jet_failure order_by_clause();                                  // 3138
jet_failure group_by_clause();                                  // 3132
jet_failure select_punctuation();                               // 3141
jet_failure trailing_characters();                              // 3142
jet_failure invalid_statement();                                // 3129
jet_failure invalid_bracketing(const std::string& name);        // 3126
jet_failure too_few_parameters(int expected);                   // 3061
jet_failure undefined_function(const std::string& name);        // 3085
jet_failure ambiguous_field(const std::string& name);           // 3079
jet_failure not_aggregated(const std::string& expression);      // 3122
jet_failure aggregate_in_where(const std::string& expression);  // 3096
jet_failure type_mismatch();                                    // 3464
jet_failure too_complex();                                      // 3360
jet_failure subquery_fields();                                  // 3306
jet_failure wrong_argument_count(const std::string& name);      // 3075 form of the engine
jet_failure join_not_supported();                               // 3296
jet_failure distinct_order(const std::string& expression);      // 3093
jet_failure evaluation(const std::string& detail);              // 3071
jet_failure query_corrupt(const std::string& name);             // 3340
jet_failure circular_reference(const std::string& name);        // 3103
jet_failure too_many_fields();                                  // 3190
}  // namespace sql_errors
