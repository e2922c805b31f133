// Tokens of Access SQL (see sql_lexer.h).
#include "access/dao/sql/sql_lexer.h"

namespace {

bool blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0;
}
bool digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool word_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || digit(c) || c == u'_' ||
         c == u'$' || c >= 0x80;
}

}  // namespace

sql_token sql_lexer::read(size_t i) const {
  const size_t n = text_.size();
  while (i < n && blank(text_[i])) ++i;
  sql_token t;
  t.begin = i;
  if (i >= n) {
    t.end = i;
    return t;
  }
  const char16_t c = text_[i];
  if (c == u'[' || c == u'`') {
    const char16_t close = c == u'[' ? u']' : u'`';
    size_t j = i + 1;
    while (j < n && text_[j] != close && (c != u'[' || text_[j] != u'[')) ++j;
    if (j >= n || text_[j] != close) {
      t.kind = sql_token_kind::bad_bracket;
      t.text = text_.substr(i, (j < n ? j : n) - i);
      t.end = j < n ? j : n;
      return t;
    }
    t.kind = sql_token_kind::bracketed;
    t.text = text_.substr(i + 1, j - i - 1);
    t.end = j + 1;
    return t;
  }
  if (c == u'"' || c == u'\'') {
    size_t j = i + 1;
    for (;;) {
      if (j >= n) {
        t.kind = sql_token_kind::bad_string;
        t.end = n;
        return t;
      }
      if (text_[j] == c) {
        if (j + 1 < n && text_[j + 1] == c) {
          t.text.push_back(c);
          j += 2;
          continue;
        }
        break;
      }
      t.text.push_back(text_[j++]);
    }
    t.kind = sql_token_kind::string;
    t.end = j + 1;
    return t;
  }
  if (c == u'#') {
    size_t j = i + 1;
    while (j < n && text_[j] != u'#' && text_[j] != u'\n') ++j;
    if (j >= n || text_[j] != u'#') {
      t.kind = sql_token_kind::bad_date;
      t.end = j;
      return t;
    }
    t.kind = sql_token_kind::date;
    t.text = text_.substr(i + 1, j - i - 1);
    t.end = j + 1;
    return t;
  }
  if (digit(c) || (c == u'.' && i + 1 < n && digit(text_[i + 1]))) {
    size_t j = i;
    while (j < n && digit(text_[j])) ++j;
    if (j < n && text_[j] == u'.') {
      ++j;
      while (j < n && digit(text_[j])) ++j;
    }
    if (j < n && (text_[j] == u'e' || text_[j] == u'E')) {
      size_t k = j + 1;
      if (k < n && (text_[k] == u'+' || text_[k] == u'-')) ++k;
      if (k < n && digit(text_[k])) {
        while (k < n && digit(text_[k])) ++k;
        j = k;
      }
    }
    t.kind = sql_token_kind::number;
    t.text = text_.substr(i, j - i);
    t.end = j;
    return t;
  }
  if (word_char(c)) {
    size_t j = i;
    while (j < n && word_char(text_[j])) ++j;
    t.kind = sql_token_kind::name;
    t.text = text_.substr(i, j - i);
    t.end = j;
    return t;
  }
  static const char16_t* const kTwo[] = {u"<>", u"<=", u">=", u"=<", u"=>"};
  if (i + 1 < n) {
    for (const char16_t* two : kTwo) {
      if (text_[i] == two[0] && text_[i + 1] == two[1]) {
        t.kind = sql_token_kind::op;
        t.text = two;
        if (t.text == u"=<") t.text = u"<=";
        if (t.text == u"=>") t.text = u">=";
        t.end = i + 2;
        return t;
      }
    }
  }
  static const char16_t kOne[] = u"=<>+-*/\\^&(),.!;";
  for (const char16_t* p = kOne; *p; ++p) {
    if (c == *p) {
      t.kind = sql_token_kind::op;
      t.text = std::u16string(1, c);
      t.end = i + 1;
      return t;
    }
  }
  t.kind = sql_token_kind::bad_char;
  t.text = std::u16string(1, c);
  t.end = i + 1;
  return t;
}

bool sql_is_word(const sql_token& token, const char* upper) {
  if (token.kind != sql_token_kind::name) return false;
  size_t k = 0;
  for (; upper[k]; ++k) {
    if (k >= token.text.size()) return false;
    char16_t c = token.text[k];
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    if (c != char16_t(upper[k])) return false;
  }
  return k == token.text.size();
}
