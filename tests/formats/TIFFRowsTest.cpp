#include "formats/TIFFRows.h"

#include <gtest/gtest.h>

#include <vector>

// Rows differenced the way a writer applies predictor 2 come back as they were, for every
// sample count (one to four have their own loops) and widths down to a single pixel.
TEST(TIFFRows, UndoingThePredictorRestoresDifferencedBytes) {
    for (uint32_t samples = 1; samples <= 5; ++samples)
        for (const uint32_t width : {1u, 2u, 7u, 64u}) {
            std::vector<uint8_t> pixels(size_t(width) * samples);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = uint8_t(i * 2654435761u >> 24);
            std::vector<uint8_t> row = pixels;
            for (size_t i = row.size(); i-- > samples;)
                row[i] = uint8_t(row[i] - row[i - samples]);
            UndoHorizontalPredictor(row.data(), width, samples, 8, false);
            EXPECT_EQ(row, pixels) << samples << " samples, " << width << " pixels";
        }
}
