#pragma once

#include "formats/GraphicReader.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Reads the portable bitmap, graymap and pixmap variants P1 to P6, ASCII and binary, with
// samples scaled from the file's maximum value to 8 bits.
class TPPMGraphic : public TGraphicReader {
public:
    static const TGraphicClassInfo ClassInfo;

    static bool CanLoad(TStream& stream);
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

private:
    // The magic line and the numbers after it.
    struct THeader {
        int Variant = 0; // the digit after the P; 1 to 6 are known
        uint32_t Width = 0;
        uint32_t Height = 0;
        uint32_t MaxValue = 1; // bitmaps have none
        bool Known() const { return Variant >= 1 && Variant <= 6; }
        bool Bitmap() const { return Variant == 1 || Variant == 4; }
        bool Pixmap() const { return Variant == 3 || Variant == 6; }
        bool Ascii() const { return Variant <= 3; }
        bool Wide() const { return MaxValue > 255; } // binary samples take two bytes
        // Whether the picture may be held and its samples scaled.
        bool Check() const;
    };

    // Buffered reading; every header and pixel byte goes through it.
    void EmptyBuffer() { ReadIndex = ReadEnd = 0; }
    bool BufferEmpty() const { return ReadIndex >= ReadEnd; }
    void FillBuffer();
    uint8_t GetChar();
    uint8_t PeekChar() const { return BufferEmpty() ? 0 : ReadBuffer[ReadIndex]; }
    // The line up to CR, LF or CR LF, without its comment.
    std::string ReadLine();
    // The next decimal number, skipping anything before it and comments on the way; numbers
    // too large for 32 bits saturate.
    uint32_t GetNumber();
    uint8_t GetBit();
    void GetBytes(uint8_t* dest, size_t count);

    int ReadVariant();
    bool ReadHeader(TStream& stream);
    void SetupTarget(const THeader& header);
    void ReadBitmapRows(bool ascii);
    void ReadGraymapRows(bool ascii, bool wide);
    void ReadPixmapRows(bool ascii, bool wide);
    // Scales samples to 0..255 by the file's maximum value; empty when it is 255.
    void MakeLevels(uint32_t maxValue, bool wide);
    uint8_t Level(uint32_t sample) const;
    uint8_t GetSample(bool ascii, bool wide);

    std::array<uint8_t, 4096> ReadBuffer{};
    size_t ReadIndex = 0;
    size_t ReadEnd = 0;
    std::vector<uint8_t> Levels;   // the 8-bit level of every sample value
    std::optional<THeader> Header; // set once the header is read
};
