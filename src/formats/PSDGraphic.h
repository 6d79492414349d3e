#pragma once

#include "formats/GraphicReader.h"
#include "platform/ByteCursor.h"

#include <cstdint>
#include <optional>
#include <vector>

// Reads the merged image stored at the end of a Photoshop document: bitmap, grayscale,
// duotone, indexed, RGB, multichannel, CMYK and Lab, uncompressed or PackBits. Layers, masks
// and image resources are skipped.
class TPSDGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    // The fixed header at the start of the file.
    struct THeader {
        uint8_t Signature[4] = {};
        uint16_t Version = 0;
        uint16_t Channels = 0;
        uint32_t Height = 0;
        uint32_t Width = 0;
        uint16_t Depth = 0;
        uint16_t Mode = 0;
        // Whether it is a version 1 document this reader can describe.
        bool Check() const;
    };

    // The stored rows of the planes the picture shows; extra channels are never read.
    class TPlaneRows;

    static THeader ParseHeader(TByteCursor header);
    void DescribeHeader(const THeader& header);
    bool ReadHeaderAndSections(TStream& stream, bool keepSections);
    void SetupTarget();
    void MakePalette(const std::vector<uint8_t>& colorModeData);
    void TransferRows(TPlaneRows& rows);

    std::optional<THeader> Header;      // set once the header is read and checked
    std::vector<uint8_t> ColorModeData; // kept by the load until the palette is made
    std::vector<uint8_t> Resources;     // kept by the load until the profile is taken
};
