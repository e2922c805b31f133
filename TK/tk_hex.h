// Hexadecimal encoding: each byte becomes two upper-case digits, high nibble
// first ("00AB" for 0x00, 0xAB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string tk_hex_encode(const uint8_t* data, size_t size);
