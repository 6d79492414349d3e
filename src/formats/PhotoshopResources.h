#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The colour profile (resource 1039) among a Photoshop file's image resources; empty when
// there is none or the resources are damaged.
std::vector<uint8_t> PhotoshopIccProfile(std::span<const uint8_t> resources);
