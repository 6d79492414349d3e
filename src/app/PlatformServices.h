#pragma once

#include "app/ScreenArea.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// mkPlain: a box without an icon.
enum class TMessageKind { mkConfirmation, mkWarning, mkError, mkInformation, mkPlain };
enum class TMessageButtons { mbOk, mbYesNo, mbOkCancel };
enum class TMessageAnswer { maOk, maCancel, maYes, maNo };

// Everything the viewer asks of the desktop and the file system that a test must control.
// Every position and size is in physical screen pixels.
class TPlatformServices {
public:
    virtual ~TPlatformServices() = default;

    // Every screen of the desktop, the primary one first.
    virtual std::vector<TScreenArea> Screens() = 0;

    virtual TPoint CursorPos() = 0;
    virtual void SetCursorPos(TPoint position) = 0;

    // Modal; returns the button the user pressed (closing the box counts as No or Cancel).
    // Line breaks in the text may be CR LF, a lone CR or a lone LF.
    virtual TMessageAnswer MessageBox(const std::string& text, const std::string& caption,
                                      TMessageKind kind, TMessageButtons buttons) = 0;
    // The text the user confirmed, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> InputQuery(const std::string& caption,
                                                  const std::string& prompt,
                                                  const std::string& initial) = 0;
    // The directory the user chose, or nothing when the prompt was cancelled.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;

    // Starts the program named by the first word, with the other words as its arguments,
    // detached and without a shell. False when it could not be started; nothing is reported.
    virtual bool StartProcess(const std::vector<std::string>& words) = 0;

    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool IsReadOnly(const std::string& path) = 0;
    virtual bool MakeWritable(const std::string& path) = 0;
    // The file's place in the desktop's trash, or nothing when it cannot be trashed.
    virtual std::optional<std::string> MoveToTrash(const std::string& path) = 0;
    // Puts a trashed file back at its old place, never over a file that took it meanwhile.
    virtual bool RestoreFromTrash(const std::string& trashedPath, const std::string& path) = 0;

    // Local time of day in milliseconds since midnight.
    virtual int32_t MillisecondsSinceMidnight() = 0;

    // Ends the application's event loop; the process then exits with this code.
    virtual void Terminate(int32_t exitCode) = 0;
};
