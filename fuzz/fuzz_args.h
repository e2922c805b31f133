// An argument list for the option fuzzers: the program name, then the input's
// bytes split at NUL bytes, with the argv pointers into it.
#pragma once

#include <string>
#include <vector>

struct fuzz_args {
  std::vector<std::string> args;
  std::vector<char*> argv;

  fuzz_args(const char* program, const std::string& bytes) : args{program} {
    for (size_t start = 0; start <= bytes.size();) {
      size_t end = bytes.find('\0', start);
      if (end == std::string::npos) end = bytes.size();
      args.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    for (auto& a : args) argv.push_back(a.data());
  }
  fuzz_args(const fuzz_args&) = delete;
  fuzz_args& operator=(const fuzz_args&) = delete;

  int argc() const { return static_cast<int>(argv.size()); }
};
