// Statement splitting for scripts and interactive input.
#include "oraemb/client/script_splitter.h"

#include <cctype>
#include <sstream>
#include <string_view>

#include "oraemb/client/describe.h"

namespace oraemb_client {
namespace {

bool is_space(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && is_space(s[b])) ++b;
  while (e > b && is_space(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Whether the text is a "/" alone. Looks no further than needed, so that a
// long rest of a line costs nothing here.
bool is_slash_line(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && is_space(s[b])) ++b;
  if (b == s.size() || s[b] != '/') return false;
  for (size_t k = b + 1; k < s.size(); ++k)
    if (!is_space(s[k])) return false;
  return true;
}

bool is_plsql_opening(std::string_view head) {
  for (std::string_view opening :
       {"BEGIN", "DECLARE", "CREATE TRIGGER", "CREATE OR REPLACE TRIGGER"})
    if (head.substr(0, opening.size()) == opening) return true;
  return false;
}

// Whether the text opens a PL/SQL unit, whose body holds semicolons: its
// first words, upper-cased and joined by one blank, start with BEGIN,
// DECLARE or CREATE [OR REPLACE] TRIGGER. Reads only as far as those words.
bool opens_plsql(std::string_view text) {
  constexpr size_t kEnough = 32;  // longer than the longest opening
  size_t pos = 0;
  while (pos < text.size() && is_space(text[pos])) ++pos;
  if (pos == text.size() || !std::isalpha(static_cast<unsigned char>(text[pos]))) return false;
  std::string head;
  for (int words = 0; words < 4; ++words) {
    while (pos < text.size() && is_space(text[pos])) ++pos;
    if (pos == text.size()) break;
    if (words) head += ' ';
    while (pos < text.size() && !is_space(text[pos])) {
      if (head.size() >= kEnough) return is_plsql_opening(head);
      head += static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos++])));
    }
  }
  return is_plsql_opening(head);
}

// The position of the first ";" at or after `from` that lies outside quotes
// and comments (the state is read from the start of the text), or npos.
size_t statement_end(std::string_view text, size_t from) {
  char quote = 0;
  bool block = false;
  for (size_t k = 0; k < text.size(); ++k) {
    char c = text[k];
    char next = k + 1 < text.size() ? text[k + 1] : '\0';
    if (block) {
      if (c == '*' && next == '/') {
        block = false;
        ++k;
      }
    } else if (quote) {
      if (c == quote) quote = 0;  // a doubled quote reopens at once
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '-' && next == '-') {
      size_t eol = text.find('\n', k);
      if (eol == std::string_view::npos) return std::string_view::npos;
      k = eol;
    } else if (c == '/' && next == '*') {
      block = true;
      ++k;
    } else if (c == ';' && k >= from) {
      return k;
    }
  }
  return std::string_view::npos;
}

void add_statement(std::vector<std::string>& done, std::string_view text) {
  std::string_view statement = trim(text);
  if (!statement.empty()) done.emplace_back(statement);
}

}  // namespace

bool ScriptSplitter::pending() const {
  return !trim(current_).empty();
}

std::vector<std::string> ScriptSplitter::add_line(const std::string& line) {
  std::vector<std::string> done;
  if (is_slash_line(line)) {
    if (pending()) add_statement(done, current_);
    current_.clear();
    return done;
  }
  // DESCRIBE is a command of one line, as in SQL*Plus: no ";" needed.
  if (!pending() && is_describe_line(line)) {
    current_.clear();
    std::string command = line;
    while (!command.empty() && (command.back() == ';' || is_space(command.back())))
      command.pop_back();
    add_statement(done, command);
    return done;
  }
  if (!current_.empty()) current_ += '\n';
  const size_t base = current_.size();
  current_ += line;
  if (opens_plsql(current_)) return done;
  // The state of quotes and comments is read over the statement so far,
  // which stays short.
  const size_t end = statement_end(current_, base);
  if (end == std::string::npos) return done;

  // The rest of the line may hold further statements: each piece after a
  // ";" is read as a line of its own would be, one after the other.
  const std::string text = std::move(current_);
  current_.clear();
  add_statement(done, std::string_view(text).substr(0, end));
  std::string_view rest = std::string_view(text).substr(end + 1);
  for (;;) {
    if (is_slash_line(rest)) return done;
    const size_t next = opens_plsql(rest) ? std::string_view::npos : statement_end(rest, 0);
    if (next == std::string_view::npos) {
      current_ = rest;
      return done;
    }
    add_statement(done, rest.substr(0, next));
    rest = rest.substr(next + 1);
  }
}

std::vector<std::string> ScriptSplitter::finish() {
  std::vector<std::string> done;
  if (pending()) add_statement(done, current_);
  current_.clear();
  return done;
}

std::vector<std::string> ScriptSplitter::split(const std::string& text) {
  ScriptSplitter splitter;
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (auto& s : splitter.add_line(line)) out.push_back(s);
  }
  for (auto& s : splitter.finish()) out.push_back(s);
  return out;
}

}  // namespace oraemb_client
