#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Hex digest of the bytes, to compare decodes with the conformance references.
std::string Sha256Hex(const uint8_t* data, size_t size);
