#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Writes metafiles byte by byte so tests know every coordinate they draw.
inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// A 16-bit metafile: records of 16-bit words after an optional placeable header.
class TWmfBuilder {
public:
    // Parameters are 16-bit words in record order.
    TWmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
        return Raw(function, Words(words));
    }
    // A record whose parameters are given as bytes (padded to a whole word).
    TWmfBuilder& Raw(uint16_t function, std::vector<uint8_t> params) {
        if (params.size() % 2)
            params.push_back(0);
        PutU32(Records, uint32_t(3 + params.size() / 2));
        PutU16(Records, function);
        Records.insert(Records.end(), params.begin(), params.end());
        return *this;
    }
    static std::vector<uint8_t> Words(std::initializer_list<int> words) {
        std::vector<uint8_t> out;
        for (int w : words)
            PutU16(out, uint16_t(w));
        return out;
    }
    // Placeable when Inch is not 0.
    std::vector<uint8_t> Build(int left, int top, int right, int bottom, int inch,
                               uint16_t objects) const {
        std::vector<uint8_t> out;
        if (inch) {
            PutU32(out, 0x9AC6CDD7);
            PutU16(out, 0);
            for (int v : {left, top, right, bottom, inch})
                PutU16(out, uint16_t(v));
            PutU32(out, 0);
            PutU16(out, 0);
        }
        std::vector<uint8_t> body = Records;
        PutU32(body, 3); // end of file
        PutU16(body, 0);
        PutU16(out, 1);
        PutU16(out, 9);
        PutU16(out, 0x300);
        PutU32(out, uint32_t((18 + body.size()) / 2));
        PutU16(out, objects);
        PutU32(out, 0);
        PutU16(out, 0);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

private:
    std::vector<uint8_t> Records;
};

// An enhanced metafile whose reference device has 96 pixels per inch, so that one logical
// unit in the default mapping is one pixel of the natural size.
class TEmfBuilder {
public:
    TEmfBuilder& Record(uint32_t type, std::initializer_list<int64_t> dwords) {
        std::vector<uint8_t> params;
        for (int64_t v : dwords)
            PutU32(params, uint32_t(v));
        return Raw(type, params);
    }
    TEmfBuilder& Raw(uint32_t type, std::vector<uint8_t> params) {
        while (params.size() % 4)
            params.push_back(0);
        PutU32(Records, type);
        PutU32(Records, uint32_t(8 + params.size()));
        Records.insert(Records.end(), params.begin(), params.end());
        return *this;
    }
    // Frame in hundredths of a millimetre: 2540 is 96 pixels.
    std::vector<uint8_t> Build(int frameRight, int frameBottom, uint16_t handles) const {
        std::vector<uint8_t> out;
        PutU32(out, 1);
        PutU32(out, 88);
        for (int v : {0, 0, frameRight * 96 / 2540, frameBottom * 96 / 2540}) // bounds
            PutU32(out, uint32_t(v));
        for (int v : {0, 0, frameRight, frameBottom})
            PutU32(out, uint32_t(v));
        PutU32(out, 0x464D4520);
        PutU32(out, 0x10000);
        const size_t total = 88 + Records.size() + 20;
        PutU32(out, uint32_t(total));
        PutU32(out, 0); // record count, not relied on
        PutU16(out, handles);
        PutU16(out, 0);
        PutU32(out, 0);
        PutU32(out, 0);
        PutU32(out, 0);
        for (int v : {960, 960, 254, 254}) // device pixels and millimetres
            PutU32(out, uint32_t(v));
        out.insert(out.end(), Records.begin(), Records.end());
        for (uint32_t v : {14u, 20u, 0u, 0u, 20u})
            PutU32(out, v);
        return out;
    }

private:
    std::vector<uint8_t> Records;
};
