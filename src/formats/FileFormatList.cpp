#include "formats/FileFormatList.h"

#include "formats/BMPGraphic.h"
#include "formats/EPSGraphic.h"
#include "formats/GIFGraphic.h"
#include "formats/GraphicStrings.h"
#include "formats/Icon.h"
#include "formats/JPEGImage.h"
#include "formats/OptionalFormats.h"
#include "formats/PCXGraphic.h"
#include "formats/PNGGraphic.h"
#include "formats/PPMGraphic.h"
#include "formats/PSDGraphic.h"
#include "formats/PSPGraphic.h"
#include "formats/TIFFGraphic.h"
#include "formats/TargaGraphic.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "platform/StringFormat.h"

#include <algorithm>

namespace {
bool SameExtension(const std::string& a, const std::string& b) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}
} // namespace

TFileFormatList::TFileFormatList(TPictureClassTable& platformTable)
    : PlatformTable(platformTable) {}

TFileFormatList::~TFileFormatList() {
    Clear();
}

int TFileFormatList::FindExtension(const std::string& extension) const {
    if (extension.empty())
        return -1;
    for (size_t i = 0; i < Extensions.size(); ++i)
        if (SameExtension(Extensions[i]->Extension, extension))
            return int(i);
    return -1;
}

int TFileFormatList::FindGraphicClass(TGraphicClass graphicClass) const {
    for (size_t i = 0; i < Classes.size(); ++i)
        if (Classes[i]->GraphicClass == graphicClass)
            return int(i);
    return -1;
}

void TFileFormatList::BindToClass(TExtensionEntry& entry, const std::string& commonDescription,
                                  TGraphicClass graphicClass) {
    const int index = FindGraphicClass(graphicClass);
    TClassEntry* classEntry;
    if (index < 0) {
        Classes.push_back(std::make_unique<TClassEntry>());
        classEntry = Classes.back().get();
        classEntry->GraphicClass = graphicClass;
    } else {
        classEntry = Classes[index].get();
    }
    if (!commonDescription.empty())
        classEntry->Description = commonDescription;
    ++classEntry->Count;
    entry.ClassEntry = classEntry;
}

void TFileFormatList::DropClassEntry(TClassEntry* classEntry) {
    std::erase_if(Classes, [&](const auto& c) { return c.get() == classEntry; });
}

void TFileFormatList::ReleaseClassEntry(TClassEntry* classEntry) {
    if (--classEntry->Count > 0)
        return;
    PlatformTable.UnregisterGraphicClass(classEntry->GraphicClass);
    DropClassEntry(classEntry);
}

void TFileFormatList::RegisterFormat(const std::string& extension,
                                     const std::string& commonDescription,
                                     const std::string& individualDescription, uint8_t formatTypes,
                                     bool replace, TGraphicClass graphicClass) {
    if (extension.empty())
        return;
    const int index = FindExtension(extension);
    TExtensionEntry* entry;
    if (index < 0) {
        Extensions.push_back(std::make_unique<TExtensionEntry>());
        entry = Extensions.back().get();
        entry->Extension = extension;
        entry->Description = individualDescription;
        entry->FormatTypes = formatTypes;
        BindToClass(*entry, commonDescription, graphicClass);
    } else {
        if (!replace)
            throw EInvalidGraphic(Format(gesRegistration, extension));
        entry = Extensions[index].get();
        TClassEntry* previous = entry->ClassEntry;
        if (previous->GraphicClass != graphicClass) {
            BindToClass(*entry, commonDescription, graphicClass);
            if (--previous->Count == 0)
                DropClassEntry(previous);
        }
    }
    const std::string& description =
        entry->Description.empty() ? entry->ClassEntry->Description : entry->Description;
    PlatformTable.RegisterFileFormat(entry->Extension, description, graphicClass);
}

void TFileFormatList::UnregisterFormat(const std::string& extension, TGraphicClass graphicClass) {
    if (!extension.empty()) {
        const int index = FindExtension(extension);
        if (index < 0)
            return;
        TClassEntry* classEntry = Extensions[index]->ClassEntry;
        // The platform would otherwise go on loading files of a forgotten extension.
        PlatformTable.UnregisterFileFormat(Extensions[index]->Extension);
        Extensions.erase(Extensions.begin() + index);
        ReleaseClassEntry(classEntry);
        return;
    }
    const int classIndex = FindGraphicClass(graphicClass);
    if (classIndex < 0)
        return;
    TClassEntry* classEntry = Classes[classIndex].get();
    for (size_t i = Extensions.size(); i-- > 0 && classEntry->Count > 0;) {
        if (Extensions[i]->ClassEntry != classEntry)
            continue;
        --classEntry->Count;
        Extensions.erase(Extensions.begin() + i);
    }
    PlatformTable.UnregisterGraphicClass(graphicClass);
    DropClassEntry(classEntry);
}

void TFileFormatList::GetExtensionList(std::vector<std::string>& strings) const {
    strings.clear();
    for (const auto& entry : Extensions)
        strings.push_back(entry->Extension);
}

void TFileFormatList::Clear() {
    for (const auto& classEntry : Classes)
        PlatformTable.UnregisterGraphicClass(classEntry->GraphicClass);
    Classes.clear();
    Extensions.clear();
}

TFileFormatList& FormatRegistry() {
    static TFileFormatList registry(PictureClassTable());
    return registry;
}

namespace {
int RegistrationNesting = 0;
} // namespace

void RegisterFileFormats(TGraphicClass metafileClass) {
    if (RegistrationNesting++ > 0)
        return;
    struct TRegistration {
        const char* Extension;
        const char* CommonDescription;
        const char* IndividualDescription;
        uint8_t FormatTypes;
        TGraphicClass GraphicClass;
    };
    const TRegistration registrations[] = {
        {"bmp", gesBitmaps, "", ftRaster, &TBMPGraphic::ClassInfo},
        {"ico", gesIcons, "", ftRaster, &TIcon::ClassInfo},
        {"wmf", gesMetaFiles, "", ftVector, metafileClass},
        {"emf", gesMetaFiles, gesEnhancedMetaFiles, ftVector, metafileClass},
        {"jfif", gesJPGImages, gesJFIFImages, ftRaster, &TJPEGImage::ClassInfo},
        {"jpg", "", gesJPGImages, ftRaster, &TJPEGImage::ClassInfo},
        {"jpe", "", gesJPEImages, ftRaster, &TJPEGImage::ClassInfo},
        {"jpeg", "", gesJPEGImages, ftRaster, &TJPEGImage::ClassInfo},
        {"rle", gesBitmaps, gesRLEBitmaps, ftRaster, &TBMPGraphic::ClassInfo},
        {"dib", "", gesDIBs, ftRaster, &TBMPGraphic::ClassInfo},
        {"win", gesTruevision, "", ftRaster, &TTargaGraphic::ClassInfo},
        {"vst", "", "", ftRaster, &TTargaGraphic::ClassInfo},
        {"vda", "", "", ftRaster, &TTargaGraphic::ClassInfo},
        {"tga", "", "", ftRaster, &TTargaGraphic::ClassInfo},
        {"icb", "", "", ftRaster, &TTargaGraphic::ClassInfo},
        {"tiff", gesTIFF, gesMacTIFF, ftRaster | ftMultiImage, &TTIFFGraphic::ClassInfo},
        {"tif", "", gesPCTIF, ftRaster | ftMultiImage, &TTIFFGraphic::ClassInfo},
        {"fax", "", gesGFIFax, ftRaster | ftMultiImage, &TTIFFGraphic::ClassInfo},
        {"eps", gesEPS, "", ftRaster, &TEPSGraphic::ClassInfo},
        {"pcx", gesZSoft, "", ftRaster, &TPCXGraphic::ClassInfo},
        {"pcc", "", "", ftRaster, &TPCXGraphic::ClassInfo},
        {"scr", "", gesWordScreenCapture, ftRaster, &TPCXGraphic::ClassInfo},
        {"psd", gesPhotoshop, "", ftRaster | ftLayered, &TPSDGraphic::ClassInfo},
        {"pdd", "", "", ftRaster | ftLayered, &TPSDGraphic::ClassInfo},
        {"ppm", gesPortable, gesPortablePixel, ftRaster, &TPPMGraphic::ClassInfo},
        {"pgm", "", gesPortableGray, ftRaster, &TPPMGraphic::ClassInfo},
        {"pbm", "", gesPortableMono, ftRaster, &TPPMGraphic::ClassInfo},
        {"gif", gesCompuserve, "", ftRaster | ftMultiImage | ftAnimation, &TGIFGraphic::ClassInfo},
        {"psp", gesPaintshopPro, "", ftRaster | ftVector, &TPSPGraphic::ClassInfo},
        {"png", gesPortableNetworkGraphic, "", ftRaster, &TPNGGraphic::ClassInfo},
    };
    TFileFormatList& registry = FormatRegistry();
    for (const TRegistration& r : registrations)
        if (r.GraphicClass) // a program without metafile support passes none
            registry.RegisterFormat(r.Extension, r.CommonDescription, r.IndividualDescription,
                                    r.FormatTypes, false, r.GraphicClass);
    for (const TOptionalFormat& f : OptionalFormats())
        if (f.GraphicClass) // none when the build lacks its library
            registry.RegisterFormat(f.Extension, f.CommonDescription, f.IndividualDescription,
                                    f.FormatTypes, false, f.GraphicClass);
}

void UnregisterFileFormats() {
    if (RegistrationNesting == 0 || --RegistrationNesting > 0)
        return;
    TFileFormatList& registry = FormatRegistry();
    for (TGraphicClass graphicClass :
         {&TPSPGraphic::ClassInfo, &TPSDGraphic::ClassInfo, &TTargaGraphic::ClassInfo,
          &TTIFFGraphic::ClassInfo, &TPCXGraphic::ClassInfo, &TPPMGraphic::ClassInfo,
          &TGIFGraphic::ClassInfo})
        registry.UnregisterFormat("", graphicClass);
    registry.UnregisterFormat("rle", &TBMPGraphic::ClassInfo);
    registry.UnregisterFormat("dib", &TBMPGraphic::ClassInfo);
    registry.UnregisterFormat("", &TPNGGraphic::ClassInfo);
    registry.Clear();
}
