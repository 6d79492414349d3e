#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// One row of the public conformance corpus's MANIFEST.tsv.
struct TConformanceCase {
    std::string Path; // relative to the corpus directory
    std::string Format;
    std::string Features;
    bool Valid = false;
    std::string ReferenceSha256; // Pillow's decode, else ImageMagick's, else libtiff's
    int Width = 0;
    int Height = 0;
    std::string Notes;
};

// Directory of the corpus; empty when it is not beside the repository.
std::string ConformanceDirectory();

// The manifest rows of one format folder ("png", "bmp" ...), in manifest order.
std::vector<TConformanceCase> ConformanceCases(const std::string& format);

// Every file of the format the corpus marks invalid must fail to load; every other one is
// handed to the check with its full path. False, with nothing run, when the corpus is absent.
bool CheckConformanceCases(
    const std::string& format,
    const std::function<void(const TConformanceCase& c, const std::string& path)>& check);

// A GoogleTest name for a corpus file: its path with every other character than letters and
// digits made "_", or "absent" for the stand-in case of a missing corpus.
std::string ConformanceTestName(const TConformanceCase& c);

// A picture decoded the way the viewer decodes it (picture-class table, drawn over white),
// as red, green, blue bytes, rows top to bottom: the layout the references hash.
struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    std::string Sha256() const;
};

// Raises whatever the loader raises.
TRgbPicture DecodeToRgb(const std::string& path);

// Tests that load files by name, as the viewer does, need every format registered.
class TRegisteredFormatsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The parts one after the other: hand-built files from their header and data pieces.
std::vector<uint8_t> JoinBytes(std::initializer_list<std::vector<uint8_t>> parts);
