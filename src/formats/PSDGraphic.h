#pragma once

#include "formats/GraphicReader.h"

#include <cstdint>
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
    // The planes the picture shows, decoded one after the other, each Height rows of
    // RowSize bytes; extra channels are never read.
    std::vector<uint8_t> ReadPlanes(TStream& stream, uint32_t planes, size_t rowSize);
    void SetupTarget();
    void MakePalette(const std::vector<uint8_t>& colorModeData);
    void TransferRows(std::vector<uint8_t>& planes, size_t rowSize);
};
