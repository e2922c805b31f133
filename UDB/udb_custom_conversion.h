// The registry of custom conversion rules: an extension point that the
// destination's DDL and table writer consult before their ordinary path. A
// rule may take over the column definition of a descriptor or the literal of
// a value. The programs register no rules, so the list stays absent and every
// question answers "no rule". Process-wide; rules are registered before a run
// and not changed while one is active (no lock).
#pragma once

#include <memory>
#include <string>

class t_ftd;
class udb_field;

class udb_conversion_rule {
 public:
  virtual ~udb_conversion_rule() = default;
  virtual bool accepts_value(const udb_field& value) const = 0;
  virtual bool accepts_ftd(const t_ftd& ftd) const = 0;
  // The destination's literal text for the value.
  virtual std::wstring to_literal(const udb_field& value) const = 0;
  // The destination's column definition text (type and options).
  virtual std::wstring to_column_definition(const t_ftd& ftd) const = 0;
};

class udb_custom_conversion {
 public:
  // True when some rule accepts the descriptor.
  static bool is_acceptable1(const t_ftd& ftd);
  // The column definition of the first rule that accepts the descriptor;
  // empty when none does.
  static std::wstring handle1(const t_ftd& ftd);
  // True when some rule accepts the value.
  static bool is_acceptable2(const udb_field& value);
  // The literal of the first rule that accepts the value; empty without
  // rules. Call only after is_acceptable2 answered true: with rules and none
  // accepting it is an internal assertion failure.
  static std::wstring handle2(const udb_field& value);

  // Appends a rule (creating the list on first use).
  static void add_rule(std::unique_ptr<udb_conversion_rule> rule);
  // Drops the list altogether.
  static void clear_rules();
};
