#include "support/PictureChecks.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/PictureRendering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

std::vector<uint8_t> ReadTestData(const std::string& relativePath) {
    std::ifstream in(std::string(PELORAMA_TEST_DATA) + "/" + relativePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int MaxSampleDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

size_t LoadEveryPrefix(const std::vector<uint8_t>& bytes,
                       const std::function<std::unique_ptr<TGraphic>()>& create) {
    const std::unique_ptr<TGraphic> whole = create();
    TMemoryStream wholeStream(bytes.data(), bytes.size());
    whole->LoadFromStream(wholeStream);
    size_t loaded = 0;
    for (size_t length = 0; length < bytes.size(); ++length) {
        TMemoryStream stream(bytes.data(), length);
        const std::unique_ptr<TGraphic> picture = create();
        try {
            picture->LoadFromStream(stream);
        } catch (const EInvalidGraphic&) {
            continue;
        }
        ++loaded;
        EXPECT_EQ(picture->Width(), whole->Width()) << length << " bytes";
        EXPECT_EQ(picture->Height(), whole->Height()) << length << " bytes";
        EXPECT_EQ(RenderRgbTopDown(*picture).size(), size_t(whole->Width()) * whole->Height() * 3)
            << length << " bytes";
    }
    return loaded;
}
