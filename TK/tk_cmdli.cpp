// Prefix matching of arguments against the option table.
#include "TK/tk_cmdli.h"

#include <cstring>

#include "TK/tk_exception.h"

tk_cmdli::tk_cmdli(const tk_cmdli_option* table, int argc, char** argv)
    : table_(table), args_(argv + 1), left_(argc > 0 ? argc - 1 : 0) {
  TK_ASSERT(table != nullptr);
}

void tk_cmdli::next() {
  TK_ASSERT(left_ > 0);
  current_ = *args_++;
  --left_;
  const tk_cmdli_option* entry = table_;
  // The terminator's empty name is a prefix of everything: the walk stops.
  while (std::strncmp(current_, entry->name, std::strlen(entry->name)) != 0) ++entry;
  value_ = current_ + std::strlen(entry->name);
  if (entry->name[0] != '\0') {
    id_ = entry->id;
    return;
  }
  id_ = -1;
  TK_ASSERT(unrecognised_.size() < kMaxUnrecognised);
  unrecognised_.emplace_back(current_);
}
