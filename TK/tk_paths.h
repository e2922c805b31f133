// File-system tests and the program's own path. The tests answer bool and
// trace; they never throw.
#pragma once

#include <string>

// Full path of the running program (/proc/self/exe).
std::string tk_program_file_name();
// Directory of the running program, without a trailing slash.
std::string tk_program_dir();
// The path with its extension replaced (a "." is added when there is none).
std::string tk_replace_extension(const std::string& path, const std::string& ext_with_dot);

// Opens the file for reading (mode 1: reading and writing) if it exists;
// false with the trace "File not exists!" when that fails. A directory is
// not a file.
bool tk_is_file_exist(const std::string& path, int mode = 0);
bool tk_is_file_exist(const std::wstring& path, int mode = 0);
// True when the directory part of `path` exists (an empty directory part is
// the current directory).
bool tk_is_path_exist(const std::string& path);
