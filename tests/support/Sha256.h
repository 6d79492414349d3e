#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 of a byte string as lower-case hex: the tests compare decoded pixels with
// reference digests made by other programs.
std::string Sha256Hex(const uint8_t* data, size_t size);
