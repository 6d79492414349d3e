#include "app/InfoLineText.h"

#include <cmath>
#include <vector>

std::string InfoLineText(const TInfoLineFacts& facts) {
    std::vector<std::string> parts;
    if (!facts.FileName.empty())
        parts.push_back(facts.FileName);
    if (facts.Position >= 0 && facts.Position < facts.Count)
        parts.push_back(std::to_string(facts.Position + 1) + "/" + std::to_string(facts.Count));
    parts.push_back(std::to_string(facts.Width) + " x " + std::to_string(facts.Height));
    // Along the longer side: the shown size is rounded to whole pixels, least so in proportion
    // there.
    const bool wide = facts.Width >= facts.Height;
    const int32_t side = wide ? facts.Width : facts.Height;
    const int32_t shown = wide ? facts.ShownWidth : facts.ShownHeight;
    if (side > 0)
        parts.push_back(std::to_string(std::lround(100.0 * shown / side)) + "%");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "   ") + part;
    return text;
}
