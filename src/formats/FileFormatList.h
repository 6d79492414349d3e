#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TPictureClassTable;

// Format-type flags stored with each extension; nothing in the viewer consults them.
enum TFormatType : uint8_t {
    ftAnimation = 1,
    ftLayered = 2,
    ftMultiImage = 4,
    ftRaster = 8,
    ftVector = 16,
};

// Maps file extensions (without the dot) to picture classes and descriptions, and forwards
// every registration to the platform's picture-class table so that loading a file by name
// creates the class registered for its extension.
class TFileFormatList {
public:
    struct TClassEntry {
        TGraphicClass GraphicClass = nullptr;
        std::string Description; // last non-empty common description given for the class
        int32_t Count = 0;       // extension entries that refer to this entry
    };

    struct TExtensionEntry {
        std::string Extension; // compared with ASCII letters folded to one case
        std::string Description;
        uint8_t FormatTypes = 0;
        TClassEntry* ClassEntry = nullptr;
    };

    explicit TFileFormatList(TPictureClassTable& platformTable);
    ~TFileFormatList();
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // Raises EInvalidGraphic "Attempt to register %s twice." for a known extension unless
    // Replace is set; the lists are then unchanged. An empty extension is ignored.
    void RegisterFormat(const std::string& extension, const std::string& commonDescription,
                        const std::string& individualDescription, uint8_t formatTypes, bool replace,
                        TGraphicClass graphicClass);
    // With an extension: forgets that extension (an unknown one is ignored). Without: forgets
    // every extension of the class (an unknown class is ignored).
    void UnregisterFormat(const std::string& extension, TGraphicClass graphicClass);

    // Index in the extension list, or -1 (also for an empty extension).
    int FindExtension(const std::string& extension) const;
    // Index in the class list, or -1.
    int FindGraphicClass(TGraphicClass graphicClass) const;
    // Replaces the list's contents with every registered extension in registration order.
    void GetExtensionList(std::vector<std::string>& strings) const;
    void Clear();

    const std::vector<std::unique_ptr<TExtensionEntry>>& ExtensionEntries() const {
        return Extensions;
    }
    const std::vector<std::unique_ptr<TClassEntry>>& ClassEntries() const { return Classes; }

private:
    void BindToClass(TExtensionEntry& entry, const std::string& commonDescription,
                     TGraphicClass graphicClass);
    void ReleaseClassEntry(TClassEntry* classEntry);
    void DropClassEntry(TClassEntry* classEntry);

    TPictureClassTable& PlatformTable;
    std::vector<std::unique_ptr<TClassEntry>> Classes;
    std::vector<std::unique_ptr<TExtensionEntry>> Extensions;
};

// The process-wide registry; empty until RegisterFileFormats runs.
TFileFormatList& FormatRegistry();

// Registers the 30 extensions of the viewer with their classes, in their fixed order. The
// metafile class comes from the Qt side of the program (the core cannot draw metafiles), so
// the caller names it; without one, wmf and emf stay unregistered. Calls nest: only the
// first registers.
void RegisterFileFormats(TGraphicClass metafileClass);
// Undoes RegisterFileFormats when the last nested call ends; the registry is then empty and
// the platform table knows none of its classes.
void UnregisterFileFormats();
