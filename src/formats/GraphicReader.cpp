#include "formats/GraphicReader.h"

#include "formats/GraphicStrings.h"

void GraphicError(const std::string& message) {
    throw EInvalidGraphic(message);
}

bool TGraphicReader::CanLoad(TStream&) {
    return false;
}

bool TGraphicReader::ReadImageProperties(TStream&, unsigned) {
    ImageProperties = TImageProperties();
    ImageProperties.FileGamma = 1.0f;
    return false;
}

void TGraphicReader::Assign(const TBitmap& source) {
    if (const auto* reader = dynamic_cast<const TGraphicReader*>(&source))
        ImageProperties = reader->ImageProperties;
    TBitmap::Assign(source);
}

void TGraphicReader::BeginLoad(TStream& stream) {
    ReleaseImage();
    Stream = &stream;
    BasePosition = stream.Position();
}

void TGraphicReader::StartPreparing() {
    ProgressRect = {0, 0, ImageProperties.Width, 1};
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesPreparing);
}

void TGraphicReader::SetupColorManager(TPixelScheme targetScheme, uint8_t targetBits,
                                       uint8_t targetSamples, TConversionFlags sourceFlags) {
    SetupColorManager({ImageProperties.ColorScheme, ImageProperties.BitsPerSample,
                       ImageProperties.SamplesPerPixel, sourceFlags},
                      targetScheme, targetBits, targetSamples);
}

void TGraphicReader::SetupColorManager(const TSourceRows& source, TPixelScheme targetScheme,
                                       uint8_t targetBits, uint8_t targetSamples) {
    ColorManager.SetSourceBits(source.Bits);
    ColorManager.SetSourceSamples(source.Samples);
    ColorManager.SetSourceScheme(source.Scheme);
    ColorManager.SetSourceFlags(source.Flags);
    ColorManager.SetTargetScheme(targetScheme);
    ColorManager.SetTargetBits(targetBits);
    ColorManager.SetTargetSamples(targetSamples);
    SetPixelFormat(ColorManager.NativePixelFormat(TargetSide));
}

void TGraphicReader::StartTransferring() {
    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
    Progress(TProgressStage::psStarting, 0, false, ProgressRect, gesTransfering);
}

void TGraphicReader::RowTransferred(int32_t row) {
    const int64_t percent = Height() > 0 ? int64_t(row) * 100 / Height() : 0;
    Progress(TProgressStage::psRunning, uint8_t(percent), true, ProgressRect, std::string());
    ++ProgressRect.Top;
    ++ProgressRect.Bottom;
}

void TGraphicReader::FinishTransferring() {
    Progress(TProgressStage::psEnding, 0, false, ProgressRect, std::string());
}
