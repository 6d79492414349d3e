#pragma once

#include <string>
#include <string_view>

// Every occurrence of From replaced by To, scanning left to right; replaced text is not
// searched again. Letter case matters.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
