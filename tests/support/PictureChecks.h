#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The bytes of a file under tests/data.
std::vector<uint8_t> ReadTestData(const std::string& relativePath);

// The largest difference between two equally long sample strings.
int MaxSampleDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Loads every proper prefix of Bytes into a picture made by Create. Each must raise
// EInvalidGraphic, or load a picture of the whole file's size that draws (test failures
// otherwise; any other exception escapes to the test). Returns how many prefixes loaded.
size_t LoadEveryPrefix(const std::vector<uint8_t>& bytes,
                       const std::function<std::unique_ptr<TGraphic>()>& create);
