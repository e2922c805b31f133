// Fixture files of the decryption tests (data/NOTICE), read whole into memory.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string crypto_data(const std::string& relative) {
  return std::string(TARVEL_SOURCE_DIR) + "/tests/access/crypto/data/" + relative;
}

inline std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<uint8_t> crypto_file(const std::string& relative) {
  return read_bytes(crypto_data(relative));
}
