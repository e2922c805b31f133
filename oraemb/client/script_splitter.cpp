// Statement splitting for scripts and interactive input.
#include "oraemb/client/script_splitter.h"

#include <cctype>
#include <sstream>

namespace oraemb_client {
namespace {

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string upper_words(const std::string& s, int count) {
  std::istringstream in(s);
  std::string word, out;
  for (int k = 0; k < count && in >> word; ++k) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out += (k ? " " : "") + word;
  }
  return out;
}

}  // namespace

bool ScriptSplitter::plsql() const {
  std::string head = upper_words(current_, 4);
  return head.rfind("BEGIN", 0) == 0 || head.rfind("DECLARE", 0) == 0 ||
         head.rfind("CREATE TRIGGER", 0) == 0 || head.rfind("CREATE OR REPLACE TRIGGER", 0) == 0;
}

bool ScriptSplitter::pending() const {
  return !trim(current_).empty();
}

std::vector<std::string> ScriptSplitter::add_line(const std::string& line) {
  std::vector<std::string> done;
  if (trim(line) == "/") {
    if (pending()) done.push_back(trim(current_));
    current_.clear();
    return done;
  }
  if (!current_.empty()) current_ += '\n';
  size_t base = current_.size();
  current_ += line;
  if (plsql()) return done;
  // Scan for statement ends outside quotes and comments. The state is
  // recomputed over the statement so far, which stays short.
  char quote = 0;
  bool block = false;
  for (size_t k = 0; k < current_.size(); ++k) {
    char c = current_[k];
    char next = k + 1 < current_.size() ? current_[k + 1] : '\0';
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
      size_t eol = current_.find('\n', k);
      if (eol == std::string::npos) break;
      k = eol;
    } else if (c == '/' && next == '*') {
      block = true;
      ++k;
    } else if (c == ';' && k >= base) {
      std::string statement = current_.substr(0, k);
      std::string rest = current_.substr(k + 1);
      current_.clear();
      if (!trim(statement).empty()) done.push_back(trim(statement));
      // The rest of the line may hold further statements.
      for (auto& s : add_line(rest)) done.push_back(s);
      return done;
    }
  }
  return done;
}

std::vector<std::string> ScriptSplitter::finish() {
  std::vector<std::string> done;
  if (pending()) done.push_back(trim(current_));
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
