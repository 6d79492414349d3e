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
    // The stored rows of the planes the picture shows; extra channels are never read.
    class TPlaneRows;

    void SetupTarget();
    void MakePalette(const std::vector<uint8_t>& colorModeData);
    void TransferRows(TPlaneRows& rows);
};
