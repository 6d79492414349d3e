#include "platform/PictureClassTable.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/StringFormat.h"

#include <algorithm>
#include <mutex>

namespace {
std::string Normalised(std::string extension) {
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return extension;
}
} // namespace

std::string ExtractFileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return Normalised(path.substr(dot + 1));
}

void TPictureClassTable::RegisterFileFormat(const std::string& extension,
                                            const std::string& description,
                                            TGraphicClass graphicClass) {
    const std::string key = Normalised(extension);
    const std::unique_lock lock(Guard);
    for (TEntry& entry : Table) {
        if (entry.Extension == key) {
            entry.Description = description;
            entry.GraphicClass = graphicClass;
            return;
        }
    }
    Table.push_back({key, description, graphicClass});
}

void TPictureClassTable::UnregisterGraphicClass(TGraphicClass graphicClass) {
    const std::unique_lock lock(Guard);
    std::erase_if(Table, [&](const TEntry& e) { return e.GraphicClass == graphicClass; });
}

void TPictureClassTable::UnregisterFileFormat(const std::string& extension) {
    const std::string key = Normalised(extension);
    const std::unique_lock lock(Guard);
    std::erase_if(Table, [&](const TEntry& e) { return e.Extension == key; });
}

const TPictureClassTable::TEntry*
TPictureClassTable::FindEntry(const std::string& extension) const {
    const std::string key = Normalised(extension);
    for (const TEntry& entry : Table)
        if (entry.Extension == key)
            return &entry;
    return nullptr;
}

TGraphicClass TPictureClassTable::FindClass(const std::string& extension) const {
    const std::shared_lock lock(Guard);
    const TEntry* entry = FindEntry(extension);
    return entry ? entry->GraphicClass : nullptr;
}

bool TPictureClassTable::HasClass(TGraphicClass graphicClass) const {
    const std::shared_lock lock(Guard);
    return std::any_of(Table.begin(), Table.end(),
                       [&](const TEntry& e) { return e.GraphicClass == graphicClass; });
}

std::unique_ptr<TGraphic> TPictureClassTable::CreateForFile(const std::string& fileName) const {
    const std::string extension = ExtractFileExtension(fileName);
    const TGraphicClass graphicClass = FindClass(extension);
    if (!graphicClass)
        throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", extension));
    return graphicClass->Create();
}

std::unique_ptr<TGraphic> TPictureClassTable::LoadFromFile(const std::string& fileName) const {
    std::unique_ptr<TGraphic> graphic = CreateForFile(fileName);
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    graphic->LoadFromStream(stream);
    return graphic;
}

TPictureClassTable& PictureClassTable() {
    static TPictureClassTable table;
    return table;
}
