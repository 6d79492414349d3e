#include "formats/FileFormatList.h"

#include "formats/BMPGraphic.h"
#include "formats/GraphicStrings.h"
#include "formats/JPEGImage.h"
#include "formats/OptionalFormats.h"
#include "formats/TargaGraphic.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::unique_ptr<TGraphic> NewBitmap() {
    return std::make_unique<TBitmap>();
}
const TGraphicClassInfo ClassA = {"ClassA", NewBitmap};
const TGraphicClassInfo ClassB = {"ClassB", NewBitmap};
const TGraphicClassInfo TestMetafile = {"TestMetafile", NewBitmap};

std::vector<std::string> Extensions(const TFileFormatList& list) {
    std::vector<std::string> result{"stale"};
    list.GetExtensionList(result);
    return result;
}

// The formats read through libraries that this build has: registered after the others.
std::vector<std::string> BuiltOptionalExtensions() {
    std::vector<std::string> extensions;
    for (const TOptionalFormat& format : OptionalFormats())
        if (format.GraphicClass)
            extensions.push_back(format.Extension);
    return extensions;
}

std::vector<std::string> WithBuiltOptionalExtensions(std::vector<std::string> extensions) {
    for (const std::string& extension : BuiltOptionalExtensions())
        extensions.push_back(extension);
    return extensions;
}

// The registry and platform table as the program sets them up at start-up.
class StartupRegistry : public ::testing::Test {
protected:
    void SetUp() override { RegisterFileFormats(&TestMetafile); }
    void TearDown() override { UnregisterFileFormats(); }
};

TEST_F(StartupRegistry, ListsTheThirtyExtensionsInRegistrationOrderThenTheLibraryFormats) {
    const std::vector<std::string> expected = WithBuiltOptionalExtensions(
        {"bmp", "ico", "wmf", "emf", "jfif", "jpg",  "jpe", "jpeg", "rle", "dib",
         "win", "vst", "vda", "tga", "icb",  "tiff", "tif", "fax",  "eps", "pcx",
         "pcc", "scr", "psd", "pdd", "ppm",  "pgm",  "pbm", "gif",  "psp", "png"});
    EXPECT_EQ(Extensions(FormatRegistry()), expected);
}

TEST_F(StartupRegistry, GivesThePlatformTheIndividualOrElseTheCommonDescription) {
    const std::pair<const char*, const char*> expected[] = {
        {"bmp", "Windows bitmaps"},
        {"ico", "Windows icons"},
        {"wmf", "Windows metafiles"},
        {"emf", "Windows enhanced meta files"},
        {"jfif", "JFIF images"},
        {"jpg", "JPG images"},
        {"jpe", "JPE images"},
        {"jpeg", "JPEG images"},
        {"rle", "Run length encoded Windows bitmaps"},
        {"dib", "Device independant Windows bitmaps"},
        {"win", "Truevision images"},
        {"vst", "Truevision images"},
        {"vda", "Truevision images"},
        {"tga", "Truevision images"},
        {"icb", "Truevision images"},
        {"tiff", "Macintosh TIFF images"},
        {"tif", "PC TIF images"},
        {"fax", "GFI fax images"},
        {"eps", "Encapsulated Postscript images"},
        {"pcx", "ZSoft Paintbrush images"},
        {"pcc", "ZSoft Paintbrush images"},
        {"scr", "Word 5.x screen capture images"},
        {"psd", "Photoshop images"},
        {"pdd", "Photoshop images"},
        {"ppm", "Portable pixel map images"},
        {"pgm", "Portable gray map images"},
        {"pbm", "Portable bitmap images"},
        {"gif", "CompuServe images"},
        {"psp", "Paintshop Pro images"},
        {"png", "Portable network graphic images"},
    };
    for (const auto& [extension, description] : expected) {
        const TPictureClassTable::TEntry* entry = PictureClassTable().FindEntry(extension);
        ASSERT_NE(entry, nullptr) << extension;
        EXPECT_EQ(entry->Description, description) << extension;
    }
    EXPECT_EQ(PictureClassTable().FindClass("jpeg"), &TJPEGImage::ClassInfo);
    EXPECT_EQ(PictureClassTable().FindClass("emf"), &TestMetafile);
}

TEST_F(StartupRegistry, DescribesTheLibraryFormatsItWasBuiltWith) {
    const std::map<std::string, std::string> descriptions = {
        {"webp", "WebP images"}, {"avif", "AVIF images"}, {"heif", "HEIF images"},
        {"heic", "HEIC images"}, {"hif", "HEIF images"},  {"jxl", "JPEG XL images"}};
    for (const std::string& extension : BuiltOptionalExtensions())
        EXPECT_EQ(PictureClassTable().FindEntry(extension)->Description,
                  descriptions.at(extension));
}

TEST_F(StartupRegistry, FindsExtensionsIgnoringCase) {
    EXPECT_EQ(FormatRegistry().FindExtension("TGA"), 13);
    EXPECT_EQ(FormatRegistry().FindExtension("Jpeg"), 7);
    EXPECT_EQ(FormatRegistry().FindExtension(""), -1);
    EXPECT_EQ(FormatRegistry().FindExtension("tg"), -1);
    EXPECT_EQ(FormatRegistry().FindGraphicClass(&TTargaGraphic::ClassInfo), 4);
    EXPECT_EQ(FormatRegistry().FindGraphicClass(&ClassA), -1);
}

TEST_F(StartupRegistry, RefusesASecondRegistrationAndStaysUnchanged) {
    const std::vector<std::string> before = Extensions(FormatRegistry());
    const size_t classes = FormatRegistry().ClassEntries().size();
    try {
        FormatRegistry().RegisterFormat("bmp", "Other", "Other", ftRaster, false, &ClassA);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Attempt to register bmp twice.");
    }
    EXPECT_EQ(Extensions(FormatRegistry()), before);
    EXPECT_EQ(FormatRegistry().ClassEntries().size(), classes);
    EXPECT_EQ(PictureClassTable().FindClass("bmp"), &TBMPGraphic::ClassInfo);
    EXPECT_EQ(PictureClassTable().FindEntry("bmp")->Description, "Windows bitmaps");
}

TEST_F(StartupRegistry, DroppingRleAndDibKeepsBmp) {
    FormatRegistry().UnregisterFormat("rle", &TBMPGraphic::ClassInfo);
    FormatRegistry().UnregisterFormat("dib", &TBMPGraphic::ClassInfo);
    EXPECT_EQ(FormatRegistry().FindExtension("bmp"), 0);
    EXPECT_EQ(FormatRegistry().FindExtension("rle"), -1);
    EXPECT_TRUE(PictureClassTable().HasClass(&TBMPGraphic::ClassInfo));
    EXPECT_EQ(PictureClassTable().FindClass("rle"), nullptr);
    EXPECT_EQ(PictureClassTable().FindClass("dib"), nullptr);
    EXPECT_EQ(FormatRegistry().ClassEntries()[0]->Count, 1);
}

TEST(FormatRegistration, NestsAndShutsDownCompletely) {
    RegisterFileFormats(&TestMetafile);
    RegisterFileFormats(&TestMetafile);
    UnregisterFileFormats();
    EXPECT_EQ(Extensions(FormatRegistry()).size(), 30u + BuiltOptionalExtensions().size());
    UnregisterFileFormats();
    EXPECT_TRUE(Extensions(FormatRegistry()).empty());
    EXPECT_TRUE(FormatRegistry().ClassEntries().empty());
    for (TGraphicClass graphicClass : {&TBMPGraphic::ClassInfo, &TJPEGImage::ClassInfo,
                                       &TTargaGraphic::ClassInfo, &TestMetafile})
        EXPECT_FALSE(PictureClassTable().HasClass(graphicClass)) << graphicClass->ClassName;
    UnregisterFileFormats(); // one too many does nothing
    EXPECT_TRUE(PictureClassTable().Entries().empty());
}

TEST(FormatRegistration, LeavesMetafilesOutWithoutAMetafileClass) {
    RegisterFileFormats(nullptr);
    std::vector<std::string> extensions = Extensions(FormatRegistry());
    UnregisterFileFormats();
    EXPECT_EQ(extensions.size(), 28u + BuiltOptionalExtensions().size());
    EXPECT_EQ(extensions[2], "jfif");
}

// A registry of its own over a table of its own.
class LocalRegistry : public ::testing::Test {
protected:
    TPictureClassTable Table;
    TFileFormatList List{Table};
};

TEST_F(LocalRegistry, IgnoresAnEmptyExtension) {
    List.RegisterFormat("", "A", "", ftRaster, false, &ClassA);
    EXPECT_TRUE(List.ExtensionEntries().empty());
    EXPECT_TRUE(List.ClassEntries().empty());
    EXPECT_TRUE(Table.Entries().empty());
}

TEST_F(LocalRegistry, RefusesTheSameExtensionInAnotherCase) {
    List.RegisterFormat("abc", "A", "", ftRaster, false, &ClassA);
    EXPECT_THROW(List.RegisterFormat("ABC", "B", "", ftRaster, false, &ClassB), EInvalidGraphic);
    EXPECT_EQ(Table.FindClass("abc"), &ClassA);
}

TEST_F(LocalRegistry, KeepsTheLastNonEmptyCommonDescription) {
    List.RegisterFormat("a1", "First", "", ftRaster, false, &ClassA);
    List.RegisterFormat("a2", "Second", "", ftRaster, false, &ClassA);
    List.RegisterFormat("a3", "", "", ftRaster, false, &ClassA);
    ASSERT_EQ(List.ClassEntries().size(), 1u);
    EXPECT_EQ(List.ClassEntries()[0]->Description, "Second");
    EXPECT_EQ(List.ClassEntries()[0]->Count, 3);
    EXPECT_EQ(Table.FindEntry("a1")->Description, "First");
    EXPECT_EQ(Table.FindEntry("a3")->Description, "Second");
    EXPECT_EQ(List.ExtensionEntries()[1]->FormatTypes, ftRaster);
}

TEST_F(LocalRegistry, ReplaceRebindsAndDropsAClassLeftWithoutExtensions) {
    List.RegisterFormat("x", "A", "Own", ftRaster, false, &ClassA);
    List.RegisterFormat("x", "B", "Ignored", ftVector, true, &ClassB);
    ASSERT_EQ(List.ClassEntries().size(), 1u);
    EXPECT_EQ(List.ClassEntries()[0]->GraphicClass, &ClassB);
    EXPECT_EQ(List.ExtensionEntries()[0]->Description, "Own");
    EXPECT_EQ(List.ExtensionEntries()[0]->FormatTypes, ftRaster);
    EXPECT_EQ(Table.FindClass("x"), &ClassB);
    EXPECT_EQ(Table.FindEntry("x")->Description, "Own");
}

TEST_F(LocalRegistry, UnregisteringAClassRemovesAllItsExtensionsOnly) {
    List.RegisterFormat("a1", "A", "", ftRaster, false, &ClassA);
    List.RegisterFormat("b1", "B", "", ftRaster, false, &ClassB);
    List.RegisterFormat("a2", "", "", ftRaster, false, &ClassA);
    List.UnregisterFormat("", &ClassA);
    EXPECT_EQ(Extensions(List), std::vector<std::string>{"b1"});
    ASSERT_EQ(List.ClassEntries().size(), 1u);
    EXPECT_FALSE(Table.HasClass(&ClassA));
    EXPECT_EQ(Table.FindClass("b1"), &ClassB);
    List.UnregisterFormat("", &ClassA); // no longer known: nothing happens
    List.UnregisterFormat("zz", &ClassB);
    EXPECT_EQ(Extensions(List), std::vector<std::string>{"b1"});
}

TEST_F(LocalRegistry, LastExtensionTakesItsClassAlong) {
    List.RegisterFormat("a1", "A", "", ftRaster, false, &ClassA);
    List.UnregisterFormat("A1", &ClassA);
    EXPECT_TRUE(List.ExtensionEntries().empty());
    EXPECT_TRUE(List.ClassEntries().empty());
    EXPECT_TRUE(Table.Entries().empty());
}

TEST_F(LocalRegistry, ClearAndDestructionEmptyThePlatformTable) {
    {
        TFileFormatList scoped(Table);
        scoped.RegisterFormat("s", "S", "", ftRaster, false, &ClassB);
    }
    EXPECT_TRUE(Table.Entries().empty());
    List.RegisterFormat("a1", "A", "", ftRaster, false, &ClassA);
    List.Clear();
    EXPECT_TRUE(Table.Entries().empty());
    EXPECT_EQ(List.FindExtension("a1"), -1);
}

} // namespace
