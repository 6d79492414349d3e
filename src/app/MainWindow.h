#pragma once

#include "app/DirectoryListing.h"
#include "app/NeighbourDecoder.h"
#include "app/PlatformServices.h"
#include "raster/FastBMP.h"

#include <QCollator>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QKeySequence;
class QFrame;
class QLabel;
class QMenu;
class TFastIMG;
class TfrmPictureList;

// The viewer's main window: a border-less black window that shows one picture, fitted to the
// desktop, and the viewer state every command works on.
class TfrmMain : public QWidget {
public:
    // Runs FormCreate. Arguments are the command-line arguments after the program name;
    // executablePath locates the error picture and the settings file.
    TfrmMain(TPlatformServices& services, std::vector<std::string> arguments,
             std::string executablePath);
    ~TfrmMain() override;

    // Viewer state.
    int32_t CurrentIndex = -1;
    bool PopupShown = false;
    float ZoomFactor = 1.0f;
    bool FirstActivation = true;
    bool PaintEnabled = true;
    std::optional<std::vector<std::string>> FileList;
    std::optional<std::vector<std::string>> ExtensionList;
    std::string CurrentDir;
    // The neighbour cache. Threading: PrevBmp and NextBmp are decoded on a worker thread
    // (TNeighbourDecoder); PrevJob and NextJob are their decodes still under way, and a slot
    // with a job holds nothing yet. Only the window's thread touches the slots, the jobs, the
    // debug log, the settings, the file list and the effects: a finished decode reaches the
    // slot, and its log block the log, through an event the window's thread handles, or
    // when a step to that picture takes the job (decoding it itself if the worker has not
    // begun, else waiting for it). A navigation that no longer needs a job cancels it. The
    // worker touches only the job: the file, the picture-class table, the readers and the
    // load's memory budget, which are safe on any thread. It also counts the colours of each
    // picture that reaches a slot, after it is shown, reading the pixels the slot shares: a
    // cached picture is never changed.
    std::shared_ptr<const TFastBMP> PrevBmp;
    std::shared_ptr<const TFastBMP> CurrentBmp;
    std::shared_ptr<const TFastBMP> NextBmp;
    std::shared_ptr<TNeighbourJob> PrevJob;
    std::shared_ptr<TNeighbourJob> NextJob;
    bool DecodingNeighbours() const { return PrevJob || NextJob; }
    // Started on a large JPEG, the window first shows it decoded at a fraction of its size, and
    // fitted to its full size, while the worker decodes the full picture for CurrentBmp.
    std::shared_ptr<TNeighbourJob> CurrentJob;
    struct TPictureSize {
        int32_t Width = 0;
        int32_t Height = 0;
    };
    // The full size of the picture the first view stands for, while it is shown.
    std::optional<TPictureSize> FirstViewSize;
    // The shown picture's own size: the full picture's while its first view stands for it.
    TPictureSize PictureSize() const;
    int32_t LastMouseX = 0;
    int32_t LastMouseY = 0;
    std::vector<std::string> CustomCommands;
    // A picture's "Colors: " line is completed when its count arrives from the worker.
    std::vector<std::string> DebugLog;
    // The log as the console shows it: counts still under way are waited for or made here.
    const std::vector<std::string>& DebugLines();

    // Child components.
    QFrame* panNotify = nullptr;
    QLabel* lblNotify = nullptr;
    QMenu* popMain = nullptr;
    std::vector<QAction*> aclMain;
    QAction* actFullScreen = nullptr;
    QAction* actShrink = nullptr;
    QAction* actQuit = nullptr;
    QAction* actNextPicture = nullptr;
    QAction* actPrevPicture = nullptr;
    QAction* actFiltering = nullptr;
    QAction* actGrayscale = nullptr;
    QAction* actFirstPicture = nullptr;
    QAction* actLastPicture = nullptr;
    QAction* actDebugConsole = nullptr;
    QAction* actRecurseSubDir = nullptr;
    QAction* actEnlarge = nullptr;
    QAction* actZoomIn = nullptr;
    QAction* actZoomOut = nullptr;
    QAction* actZoomLock = nullptr;
    QAction* actPictureList = nullptr;
    QAction* actChangeDir = nullptr;
    QAction* actHFlip = nullptr;
    QAction* actVFlip = nullptr;
    QAction* actRotate90cw = nullptr;
    QAction* actRotate90ccw = nullptr;
    QAction* actRotateArb = nullptr;
    QAction* actInvert = nullptr;
    QAction* actEmboss = nullptr;
    QAction* actRevert = nullptr;
    QAction* actSaveSettings = nullptr;
    QAction* actCustCmd1 = nullptr;
    QAction* actCustCmd2 = nullptr;
    QAction* actCustCmd3 = nullptr;
    QAction* actCustCmd4 = nullptr;
    QAction* actHideCursor = nullptr;
    QAction* actDelFile = nullptr;
    QAction* actUndoDelete = nullptr;
    QAction* actInfoLine = nullptr;
    QAction* actRefreshFileList = nullptr;
    QAction* actSizingBorder = nullptr;
    // The notice timer (id 1 of the original window).
    QTimer NoticeTimer;

    TFastIMG* DisplaySurface = nullptr;
    std::unique_ptr<TFastBMP> DisplayBuffer;

    void ApplicationActivate();
    // True once the process has been asked to end; start-up goes no further.
    bool Terminated = false;

    // Rebuilds FileList from the directory (and its subdirectories when recursing).
    void BuildFileList(std::string directory);
    void ScanDirectory(std::string path);
    // The chosen directory, or nothing when the prompt was cancelled.
    std::optional<std::string> BrowseForDirectory(const std::string& title);
    void actChangeDirExecute();
    // Both rebuild from CurrentDir and leave the picture on display and the cache alone.
    void actRecurseSubDirExecute();
    void actRefreshFileListExecute();

    // Display geometry and window modes.
    void actFullScreenExecute();
    void actShrinkExecute();
    void actEnlargeExecute();
    void actFilteringExecute();
    void actZoomInExecute();
    void actZoomOutExecute();
    void actZoomLockExecute();
    void actSizingBorderExecute();
    void actHideCursorExecute();
    // Brings a cursor parked in the screen's bottom-right corner back to the screen centre.
    void CentreParkedCursor();
    // The screen that holds the window (its centre): full screen covers it, the window
    // stays on its work area, the cursor parks in its corner.
    TScreenArea WindowScreen();
    // True while the window's edges resize it: sizing border on, window mode.
    bool SizingBorderApplied = false;

    // Navigation. Stepping shows a cached neighbour; jumps decode their target.
    // One step forward (direction +1) or back (-1).
    void GoStep(int32_t direction);
    void GoNext() { GoStep(+1); }
    void GoPrevious() { GoStep(-1); }
    void actFirstPictureExecute();
    void actLastPictureExecute();
    void GoToPicture(int32_t position);
    // A small box centred in the window that hides itself after the given time.
    void ShowNotice(const std::string& text, uint32_t milliseconds);

    // Keyboard and mouse.
    void actQuitExecute();
    // Every key that is not a shortcut, whatever child has the focus.
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // In full screen the arrows pan over the picture, in window mode they move the window.
    enum TArrow { arLeft, arRight, arUp, arDown };
    void MoveByArrow(int32_t arrow);
    // x and y relative to the display surface.
    void FormMouseMove(Qt::MouseButtons buttons, int32_t x, int32_t y);
    void FormMouseWheelUp();
    void FormMouseWheelDown();
    void popMainPopup();

    // The order of file names and extensions: the user's locale, case ignored.
    int CompareNames(const std::string& a, const std::string& b) const;
    void SortNames(std::vector<std::string>& names) const;

    // Always returns a picture: the decoded file or the error picture.
    std::shared_ptr<const TFastBMP> LoadPicture(const std::string& path);
    std::shared_ptr<const TFastBMP> ErrorPicture();
    // Copies the buffer into the display buffer; the caller keeps the buffer.
    void ShowPicture(const TFastBMP& buffer);
    void FitPicture();
    // Waits, painting but taking no input, until the full picture replaces the first view.
    void AwaitFullPicture();

    // The window's bounds in physical pixels.
    TRect WindowBounds() const;
    void SetWindowBounds(const TRect& bounds);

    // The name of the picture's file as the title and the info line show it.
    std::string ShownFileName() const;
    // The line over the picture: name, place in the list, size, zoom; shown while checked.
    void actInfoLineExecute();
    void UpdateInfoLine();

    std::string ErrorPicturePath() const;
    std::string SettingsPath() const;

    // --- Settings file ---
    // Reads the options and the custom commands; called only when the settings file exists.
    void LoadSettings();
    // Writes the settings file, replacing it as one step.
    void SaveSettings();
    void actSaveSettingsExecute();
    // Entry of the custom command list; empty when the list is short.
    std::string CustomCommand(size_t entry) const;

    // --- Image processing: they change the display buffer only, never CurrentBmp ---
    void actGrayscaleExecute();
    void actInvertExecute();
    void actEmbossExecute();
    void actHFlipExecute();
    void actVFlipExecute();
    void actRotate90cwExecute();
    void actRotate90ccwExecute();
    void actRotateArbExecute();
    void actRevertExecute();
    // Positive angles turn counter-clockwise as displayed.
    void RotatePicture(double angle);

    // --- Custom commands ---
    // Starts the command of the entry for the picture on display, without waiting for it.
    void RunCustomCommand(int32_t entry);
    // FileList[CurrentIndex], or nothing when CurrentIndex designates no entry.
    std::optional<std::string> CurrentListedFile() const;

    // --- Debug console ---
    // Opens another console window with the log as it is now.
    void actDebugConsoleExecute();

    // --- Picture list ---
    // Open while actPictureList is checked; hidden, not gone, after its own close button.
    QPointer<TfrmPictureList> PictureList;
    void actPictureListExecute();
    // Goes to the picture of the selected item: a neighbour through the cache.
    void PictureListSelect();
    // Enter chooses, Escape closes, every other key goes to FormKeyDown.
    void PictureListKeyDown(int key, Qt::KeyboardModifiers shift);
    // Selects the item of CurrentIndex while the list is open.
    void SyncPictureList();

    // --- File deletion ---
    // Deletes the file on display after confirmation, then shows the picture now at its place.
    // Into the trash unless the settings turned that off.
    void actDelFileExecute();
    // Puts the picture trashed last back at its place and shows it.
    void actUndoDeleteExecute();
    bool DeleteToTrash = true;
    struct TTrashedFile {
        std::string Path; // as the file list held it
        std::string PathInTrash;
    };
    // This run's trashed pictures, the last one at the back.
    std::vector<TTrashedFile> TrashedFiles;

protected:
    // The message filter: paints dropped while PaintEnabled is false, timer events swallowed.
    bool event(QEvent* event) override;
    // Key preview for the window and its children; mouse, wheel and menu of the window and
    // of the display surface.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateComponents();
    // The actions, the menu and the keys, from the command table.
    void CreateActions();
    void CreateMenu();
    void AssignActivationShortcuts();
    // Runs the command, if any, of a key that reached FormKeyDown.
    void RunKeyCommand(int key, Qt::KeyboardModifiers shift);
    // Mouse and wheel of the window and of the display surface.
    bool FilterMouse(QObject* watched, QEvent* event);
    void TurnWheel(int angleDelta);
    // Triggers the action whose shortcut the key is; false when there is none.
    bool RunShortcut(const QKeySequence& pressed);
    // In full screen the picture moves inside the screen, in window mode the window.
    void MovePictureOrWindow(int32_t dx, int32_t dy);
    void RaiseAboveOthers();
    // Shrink and Enlarge.
    void FitOptionExecute(QAction* option);
    int32_t FileCount() const;
    std::shared_ptr<const TFastBMP> LoadListed(int32_t position);
    // Made by the first job for the worker.
    TNeighbourDecoder& Worker();
    // Starts the decode of the picture at the position for the slot, which is emptied.
    void DecodeAhead(std::shared_ptr<const TFastBMP>& slot, std::shared_ptr<TNeighbourJob>& job,
                     int32_t position);
    // Moves the job's picture into the slot and its block into the log; waits if need be.
    void TakeNeighbour(std::shared_ptr<TNeighbourJob>& job, std::shared_ptr<const TFastBMP>& slot);
    void CancelNeighbour(std::shared_ptr<TNeighbourJob>& job);
    void CancelNeighbours();
    // True when the file's first view is shown and its full decode started.
    bool ShowFirstView(const std::string& path);
    void ShowFullPicture();
    // FitPicture without its log line.
    void PlacePicture();
    // A decode the worker finished: its slot gets it unless it was taken or called off.
    void NeighbourDecoded(const std::shared_ptr<TNeighbourJob>& job);
    void FormCreate();
    void FormDestroy();
    void ApplyEffect(void (*effect)(TFastRGB&));
    // Shows CurrentBmp as loaded once more (Revert, Grayscale off).
    void ShowCurrentPictureAgain();
    void ShowPictureAfterDeletion();
    // Each true when the file is gone; failures have been told to the user.
    bool TrashFile(const std::string& path);
    bool DeleteFilePermanently(const std::string& path, bool readOnlyConfirmed);
    void ReportDeletionFailure(const std::string& path);
    bool ConfirmReadOnlyDeletion();
    void ShowRestoredPicture(const std::string& path);
    void FormResize();
    void HideNotice();
    void Log(std::string line);
    void StartWithArgument();
    void LoadNeighbours();
    void Terminate(int32_t exitCode);
    bool IsListedExtension(const std::string& name) const;
    // Loads on the window's thread time themselves with the platform's clock.
    TPictureLoadSetup LoadSetup();
    // The load's block goes into the log, its picture to the caller and to the worker to
    // count its colours.
    std::shared_ptr<const TFastBMP> Logged(TPictureLoad load);
    // What the worker finished goes to the window's thread through a list under a lock of its
    // own (one the thread sanitizer sees, unlike the futexes of Qt's event queue); an event
    // tells the window's thread to run it.
    void HandOver(std::function<void()> finished);
    void RunHandedOver();
    std::mutex HandedOverGuard;
    std::vector<std::function<void()>> HandedOver;
    // Completes the log line the count belongs to.
    void ColorsCounted(const std::shared_ptr<TColorCount>& count);
    struct TPendingColors {
        size_t Line; // of DebugLog
        std::shared_ptr<TColorCount> Count;
    };
    // In the order of their lines.
    std::vector<TPendingColors> PendingColors;
    std::string FirstArgument() const;

    TPlatformServices& Services;
    // Made by the first decode ahead.
    std::unique_ptr<TNeighbourDecoder> NeighbourDecoder;
    // The action of each row of the command table; null for rows without one.
    std::vector<QAction*> CommandActions;
    std::vector<std::string> Arguments;
    std::string ExecutablePath;
    std::string SettingsFile;
    bool ActivationRunning = false;
    // Wheel rotation not yet worth a whole notch (120 eighths of a degree).
    int WheelRemainder = 0;
    QCollator NameOrder;
    // Directories already scanned by the current build: a link loop is followed only once.
    std::set<TDirectoryIdentity> ScannedDirectories;
};
