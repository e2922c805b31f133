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

// An anonymous mapping for the decrypted image, unmapped unless released.
// Transparent huge pages are asked for: on the build machine (a VM) touching
// 64 MB of fresh memory took 0.36 s in 4 KB pages and 0.02 s in 2 MB pages,
// and decrypting in place in the file's copy-on-write mapping took 0.7 s.
class plain_mapping {
 public:
  explicit plain_mapping(size_t size) : size_(size) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    data_ = static_cast<uint8_t*>(p);
#ifdef MADV_HUGEPAGE
    ::madvise(data_, size_, MADV_HUGEPAGE);
#endif
#ifdef MADV_DONTDUMP
    ::madvise(data_, size_, MADV_DONTDUMP);  // decrypted pages stay out of core dumps
#endif
  }
  ~plain_mapping() {
    if (data_) ::munmap(data_, size_);
  }
  plain_mapping(const plain_mapping&) = delete;
  plain_mapping& operator=(const plain_mapping&) = delete;
  uint8_t* data() const {
    return data_;
  }
  void release() {
    data_ = nullptr;
  }

 private:
  uint8_t* data_ = nullptr;
  size_t size_;
};

}  // namespace

jet_header office_crypto_open(const std::string& path, uint8_t* map, size_t size,
                              const std::u16string& password) {
  tk_trace(2, "office_crypto_open(%s)", path);
  plain_mapping plain(size);
  if (!plain.data()) throw jet_errors::corrupt(path, "no memory to decrypt the file");
  ::madvise(map, size, MADV_WILLNEED);  // read the encrypted file ahead
  office_image_result result;
  const auto start = std::chrono::steady_clock::now();
  try {
    result = office_decrypt_image(std::span<const uint8_t>(map, size),
                                  std::span<uint8_t>(plain.data(), size), password);
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
  // The decrypted pages take the place of the file's mapping at the same
  // address, so the caller's pointer (and its munmap) stay as they are.
  ::mprotect(plain.data(), size, PROT_READ);
  if (::mremap(plain.data(), size, size, MREMAP_MAYMOVE | MREMAP_FIXED, map) == MAP_FAILED)
    throw jet_errors::corrupt(path, "cannot map the decrypted file");
  plain.release();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  tk_trace(1, "office_crypto_open: %s, %d pages decrypted in %d ms", result.description,
           int(result.pages), int(ms));
  std::optional<jet_header> header = jet_read_header({map, size});
  if (!header || header->db_key != 0) throw jet_errors::bad_format(path);
  return *header;
}
