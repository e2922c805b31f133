// A path split into drive, directory, file name and extension, after it was
// made absolute. On this platform the drive part is always empty, the
// directory keeps its trailing '/', and the extension keeps its leading '.'
// (a name that only starts with a dot, such as ".profile", has no extension).
// An empty path stands for the running program's own file. Values, no shared
// state; making a relative path absolute reads the current directory.
#pragma once

#include <string>

// The path made absolute against the current directory and normalised
// lexically ("." and ".." segments, repeated slashes); symbolic links are not
// followed. Failure (no current directory) is an internal assertion failure.
std::string tk_absolute_path(const std::string& path);

template <class C>
class tk_basic_file_name {
 public:
  using string_type = std::basic_string<C>;

  tk_basic_file_name() = default;
  explicit tk_basic_file_name(const string_type& path) { initialize(path); }

  void initialize(const string_type& path);

  const string_type& drive() const { return drive_; }
  const string_type& dir() const { return dir_; }
  const string_type& name() const { return name_; }
  const string_type& ext() const { return ext_; }
  // drive + directory + name + extension.
  string_type full() const { return drive_ + dir_ + name_ + ext_; }
  // The same path with another extension (given with its dot, or empty).
  string_type with_ext(const string_type& ext) const { return drive_ + dir_ + name_ + ext; }

 private:
  string_type drive_, dir_, name_, ext_;
};

// Defined for the two character types only; each traces its own class name.
template <>
void tk_basic_file_name<char>::initialize(const std::string& path);
template <>
void tk_basic_file_name<wchar_t>::initialize(const std::wstring& path);

using tk_file_wname = tk_basic_file_name<wchar_t>;
using tk_file_name = tk_basic_file_name<char>;
