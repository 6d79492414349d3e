#include "platform/Graphics.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

int PixelFormatBits(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        return 16;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf24bit:
        return 24;
    case TPixelFormat::pf32bit:
        return 32;
    case TPixelFormat::pfCustom:
        return 0;
    }
    return 0;
}

void TGraphic::LoadFromStream(TStream&) {
    throw EInvalidGraphic("Cannot load this picture");
}

void TGraphic::SaveToStream(TStream&) {
    throw EInvalidGraphic("Cannot save this picture");
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::Progress(TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const TRect& rect, const std::string& message) const {
    if (OnProgress)
        OnProgress(stage, percentDone, redrawNow, rect, message);
}
