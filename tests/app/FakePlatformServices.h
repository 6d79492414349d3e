#pragma once

#include "app/FreedesktopTrash.h"
#include "app/PlatformServices.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// Scripted platform: a fixed primary screen and work area (and any other screens a test
// adds), a cursor that stays where it is put, dialogs answered from queues (an unscripted
// dialog fails the test instead of blocking), processes and exit requests recorded, real
// deletions except of the files it holds read-only, the real trash except for the files it
// holds untrashable, and a clock that advances by a fixed step
// per reading.
class FakePlatformServices : public TPlatformServices {
public:
    TRect Screen{0, 0, 1280, 1024};
    TRect Work{0, 0, 1280, 1000};
    std::vector<TScreenArea> OtherScreens;
    TPoint Cursor;

    struct TShownMessage {
        std::string Text;
        std::string Caption;
        TMessageKind Kind;
        TMessageButtons Buttons;
    };
    std::deque<TMessageAnswer> MessageAnswers;
    std::vector<TShownMessage> Messages;
    std::deque<std::optional<std::string>> InputAnswers;
    struct TInputPrompt {
        std::string Caption;
        std::string Prompt;
        std::string Initial;
    };
    std::vector<TInputPrompt> InputPrompts;
    std::deque<std::optional<std::string>> FolderAnswers;
    std::vector<std::string> FolderPromptTitles;
    std::vector<std::vector<std::string>> StartedProcesses; // the words of each start
    std::set<std::string> ReadOnlyFiles;
    std::vector<std::string> DeletedFiles;
    std::set<std::string> UntrashableFiles;

    int32_t Clock = 0;
    int32_t ClockStep = 0;
    std::vector<int32_t> ExitCodes;

    std::vector<TScreenArea> Screens() override {
        std::vector<TScreenArea> screens{{Screen, Work}};
        screens.insert(screens.end(), OtherScreens.begin(), OtherScreens.end());
        return screens;
    }
    TPoint CursorPos() override { return Cursor; }
    void SetCursorPos(TPoint position) override { Cursor = position; }

    TMessageAnswer MessageBox(const std::string& text, const std::string& caption,
                              TMessageKind kind, TMessageButtons buttons) override {
        Messages.push_back({text, caption, kind, buttons});
        if (MessageAnswers.empty()) {
            ADD_FAILURE() << "unscripted message box: " << text;
            return buttons == TMessageButtons::mbOk ? TMessageAnswer::maOk : TMessageAnswer::maNo;
        }
        const TMessageAnswer answer = MessageAnswers.front();
        MessageAnswers.pop_front();
        return answer;
    }

    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override {
        InputPrompts.push_back({caption, prompt, initial});
        return Next(InputAnswers, "unscripted text input: " + caption);
    }

    std::optional<std::string> BrowseForFolder(const std::string& title) override {
        FolderPromptTitles.push_back(title);
        return Next(FolderAnswers, "unscripted folder prompt: " + title);
    }

    bool StartProcess(const std::vector<std::string>& words) override {
        StartedProcesses.push_back(words);
        return true;
    }

    // Deletes the real file unless the test marked it read-only; a missing file fails.
    bool DeleteFile(const std::string& path) override {
        std::error_code error;
        if (ReadOnlyFiles.count(path) || !std::filesystem::remove(path, error))
            return false;
        DeletedFiles.push_back(path);
        return true;
    }
    bool IsReadOnly(const std::string& path) override { return ReadOnlyFiles.count(path) != 0; }
    bool MakeWritable(const std::string& path) override {
        ReadOnlyFiles.erase(path);
        return true;
    }

    std::optional<std::string> MoveToTrash(const std::string& path) override {
        return UntrashableFiles.count(path) ? std::nullopt : MoveFileToTrash(path);
    }
    bool RestoreFromTrash(const std::string& trashedPath, const std::string& path) override {
        return RestoreFileFromTrash(trashedPath, path);
    }

    int32_t MillisecondsSinceMidnight() override {
        const int32_t now = Clock;
        Clock += ClockStep;
        return now;
    }

    void Terminate(int32_t exitCode) override { ExitCodes.push_back(exitCode); }

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers,
                                           const std::string& failure) {
        if (answers.empty()) {
            ADD_FAILURE() << failure;
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
