#include "support/Conformance.h"
#include "support/Sha256.h"

#include <gtest/gtest.h>

#include <string>

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256Hex(nullptr, 0),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abc";
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const uint8_t*>(two.data()), two.size()),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Conformance, ManifestListsEveryPngOfTheCorpus) {
    if (ConformanceDirectory().empty())
        GTEST_SKIP() << "conformance corpus not present";
    const auto cases = ConformanceCases("png");
    EXPECT_EQ(cases.size(), 176u);
    EXPECT_EQ(cases.front().Path, "png/basi0g01.png");
    EXPECT_EQ(cases.front().Width, 32);
    EXPECT_TRUE(cases.front().Valid);
}
