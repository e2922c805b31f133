// Workgroup file test: the Access 2.0 signatures at offsets 0 and 1030, or
// the "Jet System DB  " header of Jet 3 and later at offset 4. Values are
// little-endian.
#include "access/dao_check_sysdb.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
}  // namespace

bool dao_check_sysdb(const std::wstring& path) {
  tk_wtrace(2, L"dao_check_sysdb(%s)", path);
  std::vector<uint8_t> head(1040);
  size_t length = 0;
  if (FILE* f = std::fopen(tk_to_utf8(path).c_str(), "rb")) {
    length = std::fread(head.data(), 1, head.size(), f);
    std::fclose(f);
  }
  if (length >= 1040) {
    if ((le32(&head[1030]) == 0x68636952 && le16(&head[0]) == 1 && le16(&head[1038]) == 0) ||
        le32(&head[0]) == 0x20532C77) {
      tk_trace(2, "Got MS Access 2.0 system database");
      return true;
    }
  }
  if (length > 20) {
    static const char kHeader[16] = "Jet System DB  ";
    if (std::memcmp(&head[4], kHeader, 16) == 0) return true;
    tk_trace(2, "Failed to find header");
    return false;
  }
  tk_trace(2, "Invalid file size");
  return false;
}
