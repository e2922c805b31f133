// Splits Oracle SQL text (UTF-8) into tokens for the parser: identifiers
// (unquoted folded to upper case, quoted kept exactly), string and numeric
// literals, bind variables, operators. Comments and hints are skipped; the
// hint text is kept for the statement. Every token records its byte offset
// so that texts such as DATA_DEFAULT can be cut from the source exactly.
#pragma once

#include <string>
#include <vector>

namespace oraemb {

enum class Tok { Ident, QIdent, String, NString, Number, Bind, Symbol, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // folded identifier, unescaped literal, symbol or bind name
  size_t start = 0;  // byte offsets in the source
  size_t end = 0;
};

struct LexResult {
  std::vector<Token> tokens;  // always ends with Tok::End
  std::string hint;           // contents of the first /*+ ... */ comment
};

// Raises ORA-00911, 01756, 01740 or 01741 for text that cannot be tokenised.
LexResult lex(const std::string& sql, size_t identifier_limit = 128);

}  // namespace oraemb
