#pragma once

#include "color/ColorManager.h"
#include "formats/RowTarget.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/Streams.h"
#include "platform/StringFormat.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How the stored pixels of a file are compressed.
enum TCompressionType : uint8_t {
    ctUnknown = 0,
    ctNone = 1,
    ctRLE = 2, // the format's own run-length scheme
    ctPackedBits = 3,
    ctLZW = 4,
    ctFax3 = 5,
    ctFaxRLE = 6,
    ctFax4 = 7,
    ctFaxRLEW = 8,
    ctLZ77 = 9,
    ctJPEG = 10,
    ctOJPEG = 11,
    ctThunderscan = 12,
    ctNext = 13,
    ctIT8CTPAD = 14,
    ctIT8LW = 15,
    ctIT8MP = 16,
    ctIT8BL = 17,
    ctPixarFilm = 18,
    ctPixarLog = 19,
    ctDCS = 20,
    ctJBIG = 21
};

// Bits of TImageProperties::Options.
constexpr uint32_t ioTiled = 1;
constexpr uint32_t ioBigEndian = 2;
constexpr uint32_t ioMinIsWhite = 4;
constexpr uint32_t ioReversed = 8; // bits filled least significant first
constexpr uint32_t ioUseGamma = 16;

// What a reader learns from a file's header.
struct TImageProperties {
    uint32_t Version = 0;
    uint32_t Options = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TPixelScheme ColorScheme = psUnknown;
    uint8_t BitsPerSample = 0;
    uint8_t SamplesPerPixel = 0;
    uint8_t BitsPerPixel = 0;
    TCompressionType Compression = ctUnknown;
    float FileGamma = 0;
    float XResolution = 0; // dots per inch, 0 when unknown
    float YResolution = 0;
    bool Interlaced = false;
    bool HasAlpha = false;
    uint8_t FilterMode = 0;
};

// Raise EInvalidGraphic with the message, or with its "%s" (and "%d") filled in order.
[[noreturn]] void GraphicError(const std::string& message);
template <typename... Args>
[[noreturn]] void GraphicErrorFmt(std::string_view message, const Args&... args) {
    throw EInvalidGraphic(Format(message, args...));
}

// How the rows a reader hands to the colour manager hold their samples.
struct TSourceRows {
    TPixelScheme Scheme = psUnknown;
    uint8_t Bits = 8;
    uint8_t Samples = 1;
    TConversionFlags Flags = 0;
};

// The factory every picture class puts in its ClassInfo.
template <class TPicture>
std::unique_ptr<TGraphic> CreateGraphic() {
    return std::make_unique<TPicture>();
}

// The base of every picture reader: a bitmap that owns a colour manager and the properties
// of the file it loaded, and that runs the loading frame shared by the readers: read the
// header, describe the samples to the colour manager, size the bitmap, convert the rows and
// report progress on the way.
class TGraphicReader : public TBitmap {
public:
    TGraphicReader() = default;
    TGraphicReader(const TGraphicReader&) = delete;
    TGraphicReader& operator=(const TGraphicReader&) = delete;

    // A reader's quick signature test on a stream; leaves the position where it was.
    // Each reader hides this with its own.
    static bool CanLoad(TStream& stream);
    // Runs the signature test of TReader on a file.
    template <class TReader>
    static bool CanLoadFile(const std::string& fileName) {
        TFileStream stream(fileName, TFileMode::fmOpenRead);
        return TReader::CanLoad(stream);
    }

    // Readers call this first: it clears the record (FileGamma 1.0, all else zero or empty)
    // and returns false; they then read their header and return whether they know it.
    virtual bool ReadImageProperties(TStream& stream, unsigned imageIndex);

    // Copies the source's properties when it is a reader, then its bitmap.
    void Assign(const TBitmap& source);

    // Rows owned by the caller that a load writes into instead of the reader's bitmap,
    // wherever the picture is 24-bit colour that needs nothing a bitmap has (a palette,
    // a transparent colour, alpha that the reader does not blend over white itself). Set before
    // LoadFromStream; null for none, which leaves the reader the picture, as it always is without
    // one.
    void SetRowTarget(TRowTarget* target) { FRowTarget = target; }
    // Whether the last load wrote into the row target; its bitmap is then empty, and Width
    // and Height are the target's.
    bool WroteRowTarget() const { return FWritesTarget; }
    int32_t Width() const override;
    int32_t Height() const override;

    TColorManager ColorManager;
    TImageProperties ImageProperties;
    int64_t BasePosition = 0; // every file offset of a reader is relative to it
    TStream* Stream = nullptr;
    TRect ProgressRect;

protected:
    // The steps of the loading frame that every reader shares.
    void BeginLoad(TStream& stream);
    void StartPreparing();
    // Source side from ImageProperties, the target side as given; sets the pixel format.
    void SetupColorManager(TPixelScheme targetScheme, uint8_t targetBits, uint8_t targetSamples,
                           TConversionFlags sourceFlags = 0);
    // The same for rows that are not as ImageProperties describes the file's (samples
    // widened, planes taken apart, alpha added).
    void SetupColorManager(const TSourceRows& source, TPixelScheme targetScheme, uint8_t targetBits,
                           uint8_t targetSamples);
    // What a reader lets its rows go into when the load has a row target.
    enum class TTargetRows {
        Plain,     // the target, when the colour manager gives 24-bit blue-green-red rows
        Refused,   // the bitmap: the reader needs it (say for a transparent colour)
        OverWhite, // also when the manager gives 32-bit blue-green-red-alpha rows, which
                   // the reader blends over white itself (as TBgrRowConverter shows them)
    };
    // Sizes what the rows go into, once the colour manager is set up: the row target when
    // there is one and the reader's rows may go there; else the bitmap.
    void SizePicture(int32_t width, int32_t height, TTargetRows rows = TTargetRows::Plain);
    bool WritesTarget() const { return FWritesTarget; }
    // Row Y (from the top) of what SizePicture sized: where a reader writes that row.
    uint8_t* TargetRow(int32_t y);
    // Rows the file leaves out stay black (a bitmap's index 0).
    void BlankRows(int32_t first, int32_t count);
    void StartTransferring();
    void RowTransferred(int32_t row);
    void FinishTransferring();
    // Sends the end of the transfer when it goes out of scope, on every path: while an
    // exception passes, a listener's own failure gives way to the reader's.
    class TTransferEnd {
    public:
        explicit TTransferEnd(TGraphicReader& reader)
            : Reader(reader), Exceptions(std::uncaught_exceptions()) {}
        ~TTransferEnd() noexcept(false);
        TTransferEnd(const TTransferEnd&) = delete;
        TTransferEnd& operator=(const TTransferEnd&) = delete;

    private:
        TGraphicReader& Reader;
        int Exceptions;
    };

private:
    TRowTarget* FRowTarget = nullptr;
    bool FWritesTarget = false;
    int32_t FTargetWidth = 0;
    int32_t FTargetHeight = 0;
};
