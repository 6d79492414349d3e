#include "support/PSPFileBuilder.h"

#include "support/DibFileBuilder.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

using TBytes = std::vector<uint8_t>;

enum : uint16_t { AttributesBlock = 0, CreatorBlock = 1, PaletteBlock = 2, LayerBankBlock = 3 };
enum : uint16_t { LayerBlock = 4, ChannelBlock = 5 };

void Append(TBytes& out, const TBytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// Version 3 block headers also state the length of the block's own data before any
// sub-blocks; later versions keep that in the chunks.
TBytes Block(const TPSPFile& file, uint16_t id, const TBytes& data, uint32_t initialLength) {
    TBytes out = {'~', 'B', 'K', 0};
    AppendLE16(out, id);
    if (file.MajorVersion == 3)
        AppendLE32(out, initialLength);
    AppendLE32(out, uint32_t(data.size()));
    Append(out, data);
    return out;
}

// From version 4 on, block data begins with a chunk that counts its own size field.
TBytes Chunk(const TPSPFile& file, const TBytes& fields) {
    if (file.MajorVersion == 3)
        return fields;
    TBytes out;
    AppendLE32(out, uint32_t(fields.size() + 4));
    Append(out, fields);
    return out;
}

TBytes Attributes(const TPSPFile& file) {
    TBytes a;
    AppendLE32(a, file.Width);
    AppendLE32(a, file.Height);
    uint8_t resolution[8];
    std::memcpy(resolution, &file.Resolution, 8);
    a.insert(a.end(), resolution, resolution + 8);
    a.push_back(file.ResolutionUnit);
    AppendLE16(a, file.Compression);
    AppendLE16(a, file.BitDepth);
    AppendLE16(a, 1);                                                    // planes
    AppendLE32(a, file.BitDepth == 24 ? 1u << 24 : 1u << file.BitDepth); // colours
    a.push_back(file.Grayscale ? 1 : 0);
    AppendLE32(a, file.Width * file.Height * (file.BitDepth == 24 ? 3 : 1));
    AppendLE32(a, 0); // active layer
    AppendLE16(a, uint16_t(file.Layers.size()));
    // Version 3 ends here; later versions add the graphic contents and, from version 5, more.
    if (file.MajorVersion > 3) {
        AppendLE32(a, 1);
        AppendLE32(a, 0xA5A5A5A5);
    }
    return Block(file, AttributesBlock, Chunk(file, a), uint32_t(a.size()));
}

TBytes PaletteData(const TPSPFile& file) {
    TBytes count;
    AppendLE32(count, uint32_t(file.Palette.size()));
    TBytes out = Chunk(file, count);
    for (uint32_t rgb : file.Palette)
        out.insert(out.end(), {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0});
    return out;
}

TBytes Compressed(const TPSPFile& file, const TBytes& plane) {
    switch (file.Compression) {
    case 1:
        return PackPSPRunLength(plane);
    case 2: {
        uLongf size = compressBound(uLong(plane.size()));
        TBytes out(size);
        if (compress2(out.data(), &size, plane.data(), uLong(plane.size()), 9) != Z_OK)
            throw std::runtime_error("zlib refused the plane");
        out.resize(size);
        return out;
    }
    default:
        return plane; // JPEG too: the reader must refuse before it looks at the data
    }
}

TBytes Channel(const TPSPFile& file, const TPSPChannel& channel) {
    const TBytes data = Compressed(file, channel.Plane);
    TBytes fields;
    AppendLE32(fields, uint32_t(data.size()));
    AppendLE32(fields, file.StatedUncompressedSize ? file.StatedUncompressedSize
                                                   : uint32_t(channel.Plane.size()));
    AppendLE16(fields, 0); // bitmap type: the image itself
    AppendLE16(fields, channel.Type);
    TBytes body = Chunk(file, fields);
    Append(body, data);
    return Block(file, ChannelBlock, body, uint32_t(fields.size()));
}

TBytes Layer(const TPSPFile& file, const TPSPLayer& layer) {
    TBytes info(115, 0);
    info[0] = layer.Type;
    TBytes counts;
    AppendLE16(counts, 1); // bitmaps
    AppendLE16(counts, uint16_t(layer.Channels.size()));
    TBytes body;
    if (file.MajorVersion == 3) {
        TBytes name(256, 0);
        std::memcpy(name.data(), "Background", 10);
        Append(body, name);
        Append(body, info);
        Append(body, counts);
    } else {
        // Both chunks carry fields this reader does not know, which it must step over.
        const std::string name = "Layer 1";
        TBytes nameAndInfo;
        AppendLE16(nameAndInfo, uint16_t(name.size()));
        nameAndInfo.insert(nameAndInfo.end(), name.begin(), name.end());
        Append(nameAndInfo, info);
        AppendLE32(nameAndInfo, 0x5A5A5A5A);
        Append(body, Chunk(file, nameAndInfo));
        AppendLE16(counts, 0x7777);
        Append(body, Chunk(file, counts));
    }
    const uint32_t initialLength = uint32_t(body.size());
    for (const TPSPChannel& channel : layer.Channels)
        Append(body, Channel(file, channel));
    return Block(file, LayerBlock, body, initialLength);
}

} // namespace

TBytes PackPSPRunLength(const TBytes& plane) {
    TBytes out;
    size_t literalStart = 0;
    auto flushLiterals = [&](size_t end) {
        while (literalStart < end) {
            const size_t n = std::min<size_t>(127, end - literalStart);
            out.push_back(uint8_t(n));
            out.insert(out.end(), plane.begin() + literalStart, plane.begin() + literalStart + n);
            literalStart += n;
        }
    };
    for (size_t i = 0; i < plane.size();) {
        size_t run = 1;
        while (i + run < plane.size() && run < 127 && plane[i + run] == plane[i])
            ++run;
        if (run < 3) {
            i += run;
            continue;
        }
        flushLiterals(i);
        out.push_back(uint8_t(128 + run));
        out.push_back(plane[i]);
        i += run;
        literalStart = i;
    }
    flushLiterals(plane.size());
    return out;
}

TBytes BuildPSP(const TPSPFile& file) {
    TBytes out(32, 0);
    std::memcpy(out.data(), "Paint Shop Pro Image File\n\x1a", 27);
    AppendLE16(out, file.MajorVersion);
    AppendLE16(out, 0);
    Append(out, Attributes(file));
    const TBytes creator = {'~', 'F', 'L', 0, 1, 0, 4, 0, 0, 0, 'T', 'e', 's', 't'};
    Append(out, Block(file, CreatorBlock, creator, uint32_t(creator.size())));
    if (!file.Palette.empty())
        Append(out, Block(file, PaletteBlock, PaletteData(file), 4));
    TBytes layers;
    for (const TPSPLayer& layer : file.Layers)
        Append(layers, Layer(file, layer));
    Append(out, Block(file, LayerBankBlock, layers, 0));
    return out;
}
