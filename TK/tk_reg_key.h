// A key of the per-user settings store, with the registry's calling shape:
// open/create a key under a root, read and write typed values (REG_SZ text,
// REG_DWORD numbers), answer the platform error code (0 on success) and never
// throw. Keys live as files under $XDG_CONFIG_HOME (default ~/.config); the
// sub-key path "Software\A\B" is the file $XDG_CONFIG_HOME/A/B/settings. Each
// write replaces the file atomically and keeps it readable by its owner only
// (it holds passwords). Not thread-safe; one key object per thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

enum tk_reg_root { TK_HKEY_CURRENT_USER = 1 };
enum tk_reg_type : uint32_t { TK_REG_SZ = 1, TK_REG_DWORD = 4 };

// The registry's error codes, as the callers test them.
inline constexpr long TK_ERROR_SUCCESS = 0;
inline constexpr long TK_ERROR_FILE_NOT_FOUND = 2;
inline constexpr long TK_ERROR_ACCESS_DENIED = 5;
inline constexpr long TK_ERROR_INVALID_HANDLE = 6;
inline constexpr long TK_ERROR_INVALID_PARAMETER = 87;
inline constexpr long TK_ERROR_MORE_DATA = 234;
inline constexpr long TK_ERROR_UNSUPPORTED_TYPE = 1630;

class tk_reg_key {
 public:
  tk_reg_key() = default;
  ~tk_reg_key() { close(); }
  tk_reg_key(const tk_reg_key&) = delete;
  tk_reg_key& operator=(const tk_reg_key&) = delete;

  // Opens the key, creating it when missing; `created` (optional) tells
  // whether it was new. Opening closes the key held before.
  long open(tk_reg_root root, const std::wstring& subkey, bool* created = nullptr);
  void close();

  // A 32-bit number (REG_DWORD). Narrow value names, as the callers use them.
  long get_value(const char* name, uint32_t* value);
  long set_value(const char* name, uint32_t value);
  // Text (REG_SZ). Sizes are in bytes of UTF-16 with the terminating zero:
  // query with `text` null to learn the size; a buffer too small answers
  // TK_ERROR_MORE_DATA with the size needed.
  long get_value(const wchar_t* name, std::wstring* text, uint32_t* size_bytes);
  long set_value(const wchar_t* name, const std::wstring& text);

 private:
  struct value {
    tk_reg_type type;
    std::string data;  // UTF-8 text or decimal number
  };
  long load();
  long save();

  bool open_ = false;
  std::string path_;
  std::map<std::string, value> values_;
};
