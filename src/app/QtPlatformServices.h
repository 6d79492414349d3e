#pragma once

#include "app/PlatformServices.h"

// The platform services on a Qt desktop.
class QtPlatformServices : public TPlatformServices {
public:
    std::vector<TScreenArea> Screens() override;
    TPoint CursorPos() override;
    void SetCursorPos(TPoint position) override;
    TMessageAnswer MessageBox(const std::string& text, const std::string& caption,
                              TMessageKind kind, TMessageButtons buttons) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::string> BrowseForFolder(const std::string& title) override;
    bool StartProcess(const std::vector<std::string>& words) override;
    bool DeleteFile(const std::string& path) override;
    bool IsReadOnly(const std::string& path) override;
    bool MakeWritable(const std::string& path) override;
    std::optional<std::string> MoveToTrash(const std::string& path) override;
    bool RestoreFromTrash(const std::string& trashedPath, const std::string& path) override;
    int32_t MillisecondsSinceMidnight() override;
    void Terminate(int32_t exitCode) override;
};
