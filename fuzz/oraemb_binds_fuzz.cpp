// libFuzzer entry over the decoding of input bind buffers: a random bind
// (external type, element size, skips, indicator and length arrays,
// character set) over buffers exactly as large as the OCI contract says,
// read element by element. Every element must decode or be refused with
// an Oracle error, and nothing may be read outside the caller's buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "oraemb/bind_values.h"
#include "oraemb/ora_error.h"

namespace {

const ub2 kTypes[] = {SQLT_CHR, SQLT_AFC, SQLT_LNG, SQLT_STR, SQLT_VCS,  SQLT_LVC, SQLT_BIN,
                      SQLT_LBI, SQLT_LVB, SQLT_INT, SQLT_UIN, SQLT_FLT,  21,       22,
                      SQLT_NUM, SQLT_VNU, SQLT_DAT, 156,      SQLT_CLOB, 0};

struct Reader {
  const uint8_t* p;
  size_t n;
  uint8_t byte() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace oraemb;
  Reader in{data, size};
  uint8_t type = in.byte(), flags = in.byte();
  const ub4 rows = 1 + in.byte() % 8;
  const size_t element = in.word() % 300;
  const size_t value_skip = (flags & 1) ? element + in.byte() % 16 : 0;
  const size_t stride = value_skip ? value_skip : element;

  EnvH env;
  env.utf16 = (flags & 2) != 0;
  BindH bind;
  bind.dty = kTypes[type % (sizeof kTypes / sizeof kTypes[0])];
  bind.size = static_cast<sb8>(element);
  bind.value_skip = static_cast<ub4>(value_skip);
  if (flags & 4) bind.charset_id = (flags & 8) ? OCI_UTF16ID : 873;

  // Each buffer holds exactly what the bind says, so that a read past it
  // is seen by the address sanitizer.
  const size_t value_bytes = stride * (rows - 1) + element;
  auto values = std::make_unique<char[]>(value_bytes + 1);
  std::vector<sb2> indicators(rows);
  std::vector<ub2> lengths(rows);
  std::vector<ub4> lengths4(rows);
  for (ub4 r = 0; r < rows; ++r) {
    indicators[r] = (in.byte() & 7) == 0 ? -1 : 0;
    lengths[r] = in.word() % (element + 2);
    lengths4[r] = lengths[r];
  }
  for (size_t k = 0; k < value_bytes; ++k) values[k] = static_cast<char>(in.byte());
  bind.value = value_bytes ? values.get() : nullptr;
  if (flags & 16) bind.indicator = indicators.data();
  if (flags & 32) bind.alen = lengths.data();
  if (flags & 64) bind.alen4 = lengths4.data();
  for (ub4 r = 0; r < rows; ++r) {
    try {
      bind_element(bind, r, env);
    } catch (const ora_error& e) {
      if (e.code() <= 0) __builtin_trap();
    }
  }
  // Oracle NUMBER bytes and placeholder scanning over the rest.
  number_from_oracle_bytes(in.p, in.n);
  placeholder_names(std::string(reinterpret_cast<const char*>(in.p), in.n));
  return 0;
}
