#include "support/PictureChecks.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

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

void LoadEveryPrefix(const std::vector<uint8_t>& bytes,
                     const std::function<std::unique_ptr<TGraphic>()>& create) {
    for (size_t length = 0; length < bytes.size(); ++length) {
        TMemoryStream stream(bytes.data(), length);
        try {
            create()->LoadFromStream(stream);
        } catch (const EInvalidGraphic&) {
        }
    }
}
