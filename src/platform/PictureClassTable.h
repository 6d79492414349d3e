#pragma once

#include "platform/Graphics.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

// The platform picture object's extension table: maps an extension to a picture class and
// loads a file through the class registered for its extension. Lookups and loads may run on
// any thread while another changes the table; FindEntry and Entries hand out the table's own
// entries and belong to the thread that changes it.
class TPictureClassTable {
public:
    struct TEntry {
        std::string Extension; // without the dot, stored in lower case
        std::string Description;
        TGraphicClass GraphicClass;
    };

    // A later registration of the same extension replaces the earlier one, as the
    // platform's table does.
    void RegisterFileFormat(const std::string& extension, const std::string& description,
                            TGraphicClass graphicClass);
    // Removes every extension bound to the class.
    void UnregisterGraphicClass(TGraphicClass graphicClass);
    // Removes one extension, whatever class it is bound to.
    void UnregisterFileFormat(const std::string& extension);

    // The class for an extension (with or without the dot, any case), or none.
    TGraphicClass FindClass(const std::string& extension) const;
    bool HasClass(TGraphicClass graphicClass) const;
    const TEntry* FindEntry(const std::string& extension) const;
    const std::vector<TEntry>& Entries() const { return Table; }

    // Creates the class registered for the file's extension, not yet loaded. Raises
    // EInvalidGraphic "Unknown picture file extension (.%s)" for an unregistered one.
    std::unique_ptr<TGraphic> CreateForFile(const std::string& fileName) const;
    // The same, loaded from a file stream.
    std::unique_ptr<TGraphic> LoadFromFile(const std::string& fileName) const;

private:
    mutable std::shared_mutex Guard;
    std::vector<TEntry> Table;
};

// The process-wide table that the format registry forwards to.
TPictureClassTable& PictureClassTable();

// Lower-case extension of a path, without the dot; empty when there is none.
std::string ExtractFileExtension(const std::string& path);
