// Splits SQL script text into statements the way SQL*Plus users expect: a
// ";" outside quotes and comments ends a statement, and a PL/SQL unit
// (CREATE TRIGGER, BEGIN, DECLARE), whose body holds semicolons, ends at a
// line holding only "/". Text may arrive line by line (interactive input).
#pragma once

#include <string>
#include <vector>

namespace oraemb_client {

class ScriptSplitter {
 public:
  // Adds one line (without its line feed); returns the statements it ended.
  std::vector<std::string> add_line(const std::string& line);
  // The unterminated rest, as a last statement when it is not blank.
  std::vector<std::string> finish();
  bool pending() const;

  // Every statement of a whole text.
  static std::vector<std::string> split(const std::string& text);

 private:
  std::string current_;
};

}  // namespace oraemb_client
