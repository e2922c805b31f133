// Decrypting (and, for tests, encrypting) a whole Access file image in place
// (see office_image.h). Page 0 is never encrypted; its masked page key is
// what tells readers whether the other pages are.
#include "access/dao/crypto/office_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_page_cipher.h"

namespace {

constexpr uint32_t kMaxThreads = 4;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kPasswordLength = 40;
constexpr size_t kCreationDateOffset = 0x72;

// Writes the page key into the masked header. Decrypting (key 0) also writes
// the "no database password" form of the password field: encrypted files
// keep other bytes there, which a reader would take for a Jet4 password. The
// password has been verified against the encryption header by then.
void set_db_key(std::span<uint8_t> page0, uint32_t key) {
  office_toggle_header_mask(page0);
  for (int i = 0; i < 4; ++i) page0[kOfficeDbKeyOffset + i] = uint8_t(key >> (8 * i));
  if (key == 0) {
    // An empty password is stored as zeros XOR-ed with the whole days of the
    // creation date (a double), as a little-endian 32-bit number.
    double created;
    std::memcpy(&created, page0.data() + kCreationDateOffset, sizeof created);
    uint32_t days = 0;
    if (std::isfinite(created) && created > -2147483648.0 && created < 2147483647.0)
      days = uint32_t(int32_t(std::floor(created)));
    for (size_t i = 0; i < kPasswordLength; ++i)
      page0[kPasswordOffset + i] = uint8_t(days >> (8 * (i % 4)));
  }
  office_toggle_header_mask(page0);
}

uint32_t page_count(std::span<const uint8_t> image) {
  const size_t pages = image.size() / kOfficePageSize;
  if (pages > UINT32_MAX)
    throw office_crypto_error(office_crypto_error::damaged, "the file is too large");
  return uint32_t(pages);
}

// Pages 1..pages-1, split over the machine's cores for large files: RC4
// decrypts at about the rate the reader consumes pages (about 600 MB/s each
// on the build machine), so one core would double the time to read a file.
void decrypt_pages(office_page_cipher& cipher, std::span<const uint8_t> file,
                   std::span<uint8_t> out, uint32_t pages) {
  auto run = [&](office_page_cipher& c, uint32_t first, uint32_t end) {
    for (uint32_t pg = first; pg < end; ++pg) {
      const size_t at = size_t(pg) * kOfficePageSize;
      c.decrypt(pg, file.data() + at, out.data() + at, kOfficePageSize);
    }
  };
  constexpr uint32_t kPagesPerThread = 2048;  // 8 MB: below that, a thread costs more than it saves
  uint32_t threads = std::min(std::max(std::thread::hardware_concurrency(), 1u), kMaxThreads);
  threads = std::min(threads, std::max(pages / kPagesPerThread, 1u));
  if (threads <= 1) {
    run(cipher, 1, pages);
    return;
  }
  const uint32_t share = (pages - 1 + threads - 1) / threads;
  std::vector<office_page_cipher> copies(threads - 1, cipher);
  std::vector<std::exception_ptr> failures(threads);
  std::vector<std::thread> workers;
  for (uint32_t t = 1; t < threads; ++t) {
    const uint32_t first = 1 + t * share, end = std::min(pages, first + share);
    workers.emplace_back([&, t, first, end] {
      try {
        run(copies[t - 1], first, end);
      } catch (...) {
        failures[t] = std::current_exception();
      }
    });
  }
  try {
    run(cipher, 1, std::min(pages, 1 + share));
  } catch (...) {
    failures[0] = std::current_exception();
  }
  for (std::thread& w : workers) w.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
}

}  // namespace

office_image_result office_decrypt_image(std::span<const uint8_t> file, std::span<uint8_t> out,
                                         const std::u16string& password) {
  if (out.size() != file.size())
    throw office_crypto_error(office_crypto_error::damaged,
                              "the decryption buffer has the wrong size");
  office_image_result result;
  const office_encryption encryption = office_read_encryption(file);
  if (encryption.kind == office_cipher_kind::none) {
    if (out.data() != file.data()) std::memcpy(out.data(), file.data(), file.size());
    return result;
  }
  office_page_cipher cipher(encryption, password);
  const uint32_t pages = page_count(file);
  decrypt_pages(cipher, file, out, pages);
  if (out.data() != file.data()) {
    // Page 0 and a partial last page are not encrypted.
    std::memcpy(out.data(), file.data(), kOfficePageSize);
    const size_t tail = size_t(pages) * kOfficePageSize;
    std::memcpy(out.data() + tail, file.data() + tail, file.size() - tail);
  }
  set_db_key(out.first(kOfficePageSize), 0);
  result.description = encryption.description;
  result.pages = pages > 0 ? pages - 1 : 0;
  return result;
}

office_image_result office_decrypt_image(std::span<uint8_t> image, const std::u16string& password) {
  return office_decrypt_image(image, image, password);
}

void office_encrypt_image(std::span<uint8_t> image, std::span<const uint8_t> model_page0,
                          const std::u16string& password) {
  const office_encryption model = office_read_encryption(model_page0);
  if (model.kind == office_cipher_kind::none)
    throw office_crypto_error(office_crypto_error::unsupported, "the model file is not encrypted");
  if (image.size() < kOfficePageSize ||
      std::memcmp(image.data() + 4, model_page0.data() + 4, 16) != 0 ||
      office_read_encryption(image).kind != office_cipher_kind::none)
    throw office_crypto_error(office_crypto_error::damaged, "not a plain Access 2007+ file");
  office_page_cipher cipher(model, password);
  const uint32_t pages = page_count(image);
  for (uint32_t pg = 1; pg < pages; ++pg) {
    uint8_t* page = image.data() + size_t(pg) * kOfficePageSize;
    cipher.encrypt(pg, page, page, kOfficePageSize);
  }
  const size_t info_end =
      kOfficeInfoOffset + 2 +
      (model_page0[kOfficeInfoOffset] | (model_page0[kOfficeInfoOffset + 1] << 8));
  std::memcpy(image.data() + kOfficeInfoOffset, model_page0.data() + kOfficeInfoOffset,
              info_end - kOfficeInfoOffset);
  set_db_key(image.first(kOfficePageSize), model.db_key);
}
