// Hand-written scanner for the Oracle SQL subset (no regular expressions).
#include "oraemb/lexer.h"

#include <cctype>
#include <string_view>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

bool ident_start(unsigned char c) {
  return std::isalpha(c) || c >= 0x80;
}
bool ident_char(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

LexResult lex(const std::string& sql, size_t identifier_limit) {
  LexResult out;
  out.tokens.reserve(sql.size() / 4 + 4);
  size_t pos = 0;
  const size_t n = sql.size();
  bool hint_taken = false;
  while (true) {
    // Whitespace and comments.
    while (pos < n) {
      unsigned char c = static_cast<unsigned char>(sql[pos]);
      if (std::isspace(c)) {
        ++pos;
      } else if (c == '-' && pos + 1 < n && sql[pos + 1] == '-') {
        while (pos < n && sql[pos] != '\n') ++pos;
      } else if (c == '/' && pos + 1 < n && sql[pos + 1] == '*') {
        size_t close = sql.find("*/", pos + 2);
        size_t stop = close == std::string::npos ? n : close;
        if (!hint_taken && pos + 2 < n && sql[pos + 2] == '+') {
          out.hint = sql.substr(pos + 3, stop - pos - 3);
          hint_taken = true;
        }
        pos = close == std::string::npos ? n : close + 2;
      } else {
        break;
      }
    }
    Token tok;
    tok.start = pos;
    if (pos >= n) {
      tok.end = pos;
      out.tokens.push_back(tok);
      return out;
    }
    unsigned char c = static_cast<unsigned char>(sql[pos]);
    if ((c == 'N' || c == 'n') && pos + 1 < n && sql[pos + 1] == '\'') {
      tok.kind = Tok::NString;
      ++pos;
      c = '\'';
    }
    if ((c == 'Q' || c == 'q') && pos + 1 < n && sql[pos + 1] == '\'') {
      // Alternative quoting q'[...]'.
      if (pos + 2 >= n) raise(1756);
      char open = sql[pos + 2];
      char close = open == '['   ? ']'
                   : open == '{' ? '}'
                   : open == '(' ? ')'
                   : open == '<' ? '>'
                                 : open;
      size_t end = pos + 3;
      while (end + 1 < n && !(sql[end] == close && sql[end + 1] == '\'')) ++end;
      if (end + 1 >= n) raise(1756);
      tok.kind = Tok::String;
      tok.text = sql.substr(pos + 3, end - pos - 3);
      pos = end + 2;
    } else if (c == '\'') {
      if (tok.kind != Tok::NString) tok.kind = Tok::String;
      ++pos;
      while (true) {
        // Up to the next quote in one piece: literals carry the row data.
        size_t quote = sql.find('\'', pos);
        if (quote == std::string::npos) raise(1756);
        tok.text.append(sql, pos, quote - pos);
        pos = quote;
        if (pos + 1 < n && sql[pos + 1] == '\'') {
          tok.text += '\'';
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
    } else if (c == '"') {
      size_t close = sql.find('"', pos + 1);
      if (close == std::string::npos) throw ora_error(1740, "missing double quote in identifier");
      tok.kind = Tok::QIdent;
      tok.text = sql.substr(pos + 1, close - pos - 1);
      if (tok.text.empty()) raise(1741);
      if (tok.text.size() > identifier_limit) raise(972);
      pos = close + 1;
    } else if (ident_start(c)) {
      size_t begin = pos;
      while (pos < n && ident_char(static_cast<unsigned char>(sql[pos]))) ++pos;
      tok.kind = Tok::Ident;
      tok.text = upper_ascii(sql.substr(begin, pos - begin));
      if (tok.text.size() > identifier_limit) raise(972);
    } else if (std::isdigit(c) || (c == '.' && pos + 1 < n &&
                                   std::isdigit(static_cast<unsigned char>(sql[pos + 1])))) {
      size_t begin = pos;
      while (pos < n && std::isdigit(static_cast<unsigned char>(sql[pos]))) ++pos;
      if (pos < n && sql[pos] == '.' && !(pos + 1 < n && sql[pos + 1] == '.')) {
        ++pos;
        while (pos < n && std::isdigit(static_cast<unsigned char>(sql[pos]))) ++pos;
      }
      if (pos < n && (sql[pos] == 'e' || sql[pos] == 'E')) {
        size_t save = pos++;
        if (pos < n && (sql[pos] == '+' || sql[pos] == '-')) ++pos;
        if (pos < n && std::isdigit(static_cast<unsigned char>(sql[pos]))) {
          while (pos < n && std::isdigit(static_cast<unsigned char>(sql[pos]))) ++pos;
        } else {
          pos = save;
        }
      }
      if (pos < n && (sql[pos] == 'f' || sql[pos] == 'F' || sql[pos] == 'd' || sql[pos] == 'D') &&
          !(pos + 1 < n && ident_char(static_cast<unsigned char>(sql[pos + 1])))) {
        ++pos;
      }
      tok.kind = Tok::Number;
      tok.text = sql.substr(begin, pos - begin);
    } else if (c == ':' && pos + 1 < n && sql[pos + 1] != '=') {
      ++pos;
      size_t begin = pos;
      if (pos < n && sql[pos] == '"') {
        size_t close = sql.find('"', pos + 1);
        if (close == std::string::npos) throw ora_error(1740, "missing double quote in identifier");
        tok.text = sql.substr(pos + 1, close - pos - 1);
        pos = close + 1;
      } else {
        while (pos < n && ident_char(static_cast<unsigned char>(sql[pos]))) ++pos;
        tok.text = upper_ascii(sql.substr(begin, pos - begin));
      }
      if (tok.text.empty()) throw ora_error(1036, "illegal variable name/number");
      tok.kind = Tok::Bind;
    } else {
      static const char* const two[] = {"||", "<>", "!=", "^=", "<=", ">=", ":=", "=>"};
      tok.kind = Tok::Symbol;
      size_t len = 0;
      for (const char* sym : two) {
        if (pos + 1 < n && sql[pos] == sym[0] && sql[pos + 1] == sym[1]) {
          len = 2;
          break;
        }
      }
      if (len == 0) {
        if (std::string_view("(),.;+-*/=<>@").find(static_cast<char>(c)) == std::string_view::npos)
          raise(911);
        len = 1;
      }
      tok.text.assign(sql, pos, len);
      pos += tok.text.size();
    }
    tok.end = pos;
    out.tokens.push_back(std::move(tok));
  }
}

}  // namespace oraemb
