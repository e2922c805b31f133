// The DAO component's call into the Office decryption unit (see
// office_crypto_open.h). The trace gets the kind of encryption, the page
// count and the time; never the password, a key or a decrypted byte.
#include "access/dao/office_crypto_open.h"

#include <sys/mman.h>

#include <chrono>
#include <span>

#include "TK/tk_trace.h"
#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_image.h"
#include "access/dao/jet_error.h"

namespace {

// Makes the private mapping writable (copy-on-write) for the decryption and
// read-only again afterwards, whatever happens in between.
class writable_mapping {
 public:
  writable_mapping(uint8_t* map, size_t size) : map_(map), size_(size) {
    ok_ = ::mprotect(map_, size_, PROT_READ | PROT_WRITE) == 0;
#ifdef MADV_DONTDUMP
    if (ok_) ::madvise(map_, size_, MADV_DONTDUMP);
#endif
  }
  ~writable_mapping() {
    if (ok_) ::mprotect(map_, size_, PROT_READ);
  }
  writable_mapping(const writable_mapping&) = delete;
  writable_mapping& operator=(const writable_mapping&) = delete;
  bool ok() const {
    return ok_;
  }

 private:
  uint8_t* map_;
  size_t size_;
  bool ok_ = false;
};

}  // namespace

jet_header office_crypto_open(const std::string& path, uint8_t* map, size_t size,
                              const std::u16string& password) {
  tk_trace(2, "office_crypto_open(%s)", path);
  writable_mapping writable(map, size);
  if (!writable.ok()) throw jet_errors::corrupt(path, "cannot decrypt the file in memory");
  office_image_result result;
  const auto start = std::chrono::steady_clock::now();
  try {
    result = office_decrypt_image(std::span<uint8_t>(map, size), password);
  } catch (const office_crypto_error& e) {
    tk_trace(3, "office_crypto_open: %s", e.what());
    switch (e.why()) {
      case office_crypto_error::wrong_password:
        throw jet_errors::bad_password();
      case office_crypto_error::unsupported:
        throw jet_failure(JET_ERR_BAD_FORMAT, "Unrecognized database format '" + path +
                                                  "'. unsupported encryption: " + e.what());
      case office_crypto_error::damaged:
        break;
    }
    throw jet_errors::corrupt(path, std::string("damaged encryption header: ") + e.what());
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  tk_trace(1, "office_crypto_open: %s, %d pages decrypted in %d ms", result.description,
           int(result.pages), int(ms));
  std::optional<jet_header> header = jet_read_header({map, size});
  if (!header || header->db_key != 0) throw jet_errors::bad_format(path);
  return *header;
}
