// Splits an Access SQL text into tokens: bare and bracketed names, "..." and
// '...' strings, #...# dates, numbers and operators. Offsets index the UTF-16
// text so that errors can quote the query expression as the engine does.
// Unterminated brackets, strings and dates are reported by kind, never read
// past the end.
#pragma once

#include <cstddef>
#include <string>

enum class sql_token_kind : unsigned char {
  end,
  name,       // bare word (keywords included)
  bracketed,  // [name] or `name`
  string,     // text holds the value, quotes undoubled
  number,     // text holds the digits as written
  date,       // text holds what is between the #s
  op,         // text holds the operator: = <> <= >= < > + - * / \ ^ & ( ) , . ! ;
  bad_bracket,
  bad_string,
  bad_date,
  bad_char,
};

struct sql_token {
  sql_token_kind kind = sql_token_kind::end;
  std::u16string text;
  size_t begin = 0;
  size_t end = 0;
};

class sql_lexer {
 public:
  explicit sql_lexer(const std::u16string& text) : text_(text) {}
  // The token at offset (blanks skipped).
  sql_token read(size_t offset) const;
  const std::u16string& text() const { return text_; }

 private:
  const std::u16string& text_;
};

// ASCII case-insensitive comparison with an upper-case keyword.
bool sql_is_word(const sql_token& token, const char* upper_keyword);
