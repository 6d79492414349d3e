#include "formats/LibraryDecoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every count up to past three vector steps, both pixel sizes, in place and into other
// memory: the pixels come out with their first and third bytes exchanged, nothing past them
// is written.
TEST(CopyRedFirstPixels, ExchangesRedAndBlueOfEveryPixelAndNothingMore) {
    for (size_t channels : {3u, 4u})
        for (size_t count = 0; count <= 40; ++count) {
            std::vector<uint8_t> source(count * channels + 8);
            for (size_t i = 0; i < source.size(); ++i)
                source[i] = uint8_t(i * 7 + 1);
            std::vector<uint8_t> expected = source;
            for (size_t i = 0; i < count * channels; i += channels)
                std::swap(expected[i], expected[i + 2]);
            std::vector<uint8_t> target(source.size(), 0xEE);
            CopyRedFirstPixels(source.data(), target.data(), count, channels);
            EXPECT_TRUE(std::equal(target.begin(), target.begin() + long(count * channels),
                                   expected.begin()))
                << channels << " x " << count;
            EXPECT_EQ(target[count * channels], 0xEE) << channels << " x " << count;
            CopyRedFirstPixels(source.data(), source.data(), count, channels);
            EXPECT_EQ(source, expected) << "in place, " << channels << " x " << count;
        }
}

} // namespace
