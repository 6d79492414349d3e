#include "formats/GraphicReader.h"

#include "formats/GraphicStrings.h"

#include <cstring>

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

int32_t TGraphicReader::Width() const {
    return FWritesTarget ? FTargetWidth : TBitmap::Width();
}

int32_t TGraphicReader::Height() const {
    return FWritesTarget ? FTargetHeight : TBitmap::Height();
}

void TGraphicReader::BeginLoad(TStream& stream) {
    ReleaseImage();
    FWritesTarget = false;
    FTargetWidth = FTargetHeight = 0;
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

void TGraphicReader::SizePicture(int32_t width, int32_t height, TTargetRows rows) {
    const bool eightBits = ColorManager.TargetBits() == 8;
    const bool plainColour =
        ColorManager.TargetScheme() == psBGR && eightBits && ColorManager.TargetSamples() == 3;
    const bool blendable = rows == TTargetRows::OverWhite &&
                           ColorManager.TargetScheme() == psBGRA && eightBits &&
                           ColorManager.TargetSamples() == 4;
    if (!FRowTarget || rows == TTargetRows::Refused || !(plainColour || blendable)) {
        SetSize(width, height);
        return;
    }
    if (width <= 0 || height <= 0 || !MayAllocatePicture(width, height))
        throw EInvalidGraphic("Invalid pixel buffer size");
    FRowTarget->SetSize(width, height);
    FWritesTarget = true;
    FTargetWidth = width;
    FTargetHeight = height;
}

uint8_t* TGraphicReader::TargetRow(int32_t y) {
    if (!FWritesTarget)
        return ScanLine(y);
    if (y < 0 || y >= FTargetHeight)
        throw EInvalidGraphic("Scan line index out of range");
    return FRowTarget->Row(y);
}

void TGraphicReader::BlankRows(int32_t first, int32_t count) {
    if (!FWritesTarget)
        return; // a bitmap starts out zero
    for (int32_t y = first; y < first + count; ++y)
        std::memset(TargetRow(y), 0, size_t(FTargetWidth) * 3);
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

TGraphicReader::TTransferEnd::~TTransferEnd() noexcept(false) {
    if (std::uncaught_exceptions() == Exceptions) {
        Reader.FinishTransferring();
        return;
    }
    try {
        Reader.FinishTransferring();
    } catch (...) {
    }
}
