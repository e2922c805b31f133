// Fuzzes the settings store's file: the bytes are written as the file of a
// key, the key is opened and read, a value is written (which writes every
// value read back out) and a second opening must find it again.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TK/tk_reg_key.h"

namespace {

// A private settings home, removed when the fuzzer ends. Plain characters,
// which outlive every static object the exit handler could see destroyed.
char g_home[64];

void remove_home() {
  std::error_code ignored;
  std::filesystem::remove_all(g_home, ignored);
}

std::string home() {
  if (!g_home[0]) {
    std::snprintf(g_home, sizeof g_home, "/tmp/tarvel-settings-fuzz-%d",
                  static_cast<int>(getpid()));
    setenv("XDG_CONFIG_HOME", g_home, 1);
    std::atexit(remove_home);
  }
  return g_home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = home() + "/Fuzz/settings";
  {
    // The first opening creates the folders and an empty file.
    tk_reg_key key;
    if (key.open(TK_HKEY_CURRENT_USER, L"Software\\Fuzz") != TK_ERROR_SUCCESS) return 0;
  }
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  {
    tk_reg_key key;
    if (key.open(TK_HKEY_CURRENT_USER, L"Software\\Fuzz") != TK_ERROR_SUCCESS) __builtin_trap();
    uint32_t number = 0, bytes = 0;
    std::wstring text;
    for (const char* name : {"a", "b", "Mode"}) key.get_value(name, &number);
    for (const wchar_t* name : {L"a", L"b", L"Source"}) {
      if (key.get_value(name, nullptr, &bytes) == TK_ERROR_SUCCESS)
        key.get_value(name, &text, &bytes);
    }
    if (key.set_value(L"fuzz\tkey\\", std::wstring(L"line\nbreak\\")) != TK_ERROR_SUCCESS)
      __builtin_trap();
  }
  tk_reg_key again;
  std::wstring text;
  uint32_t bytes = 64;
  if (again.open(TK_HKEY_CURRENT_USER, L"Software\\Fuzz") != TK_ERROR_SUCCESS ||
      again.get_value(L"fuzz\tkey\\", &text, &bytes) != TK_ERROR_SUCCESS ||
      text != L"line\nbreak\\")
    __builtin_trap();
  return 0;
}
