#include "app/MainWindow.h"

#include "app/BusyCursor.h"
#include "app/ProgramFiles.h"
#include "raster/FastFX.h"

#include <QAction>

#include <algorithm>
#include <cstring>
#include <iterator>

std::string TfrmMain::ErrorPicturePath() const {
    return ProgramDataFile(ExecutablePath, "pic_err.jpg");
}

TPictureLoadSetup TfrmMain::LoadSetup() {
    return {ErrorPicturePath(), [this] { return Services.MillisecondsSinceMidnight(); }};
}

std::shared_ptr<const TFastBMP> TfrmMain::Logged(TPictureLoad load) {
    std::shared_ptr<const TFastBMP> picture = std::move(load.Picture);
    if (load.ColorsLine) {
        PendingColors.push_back({DebugLog.size() + *load.ColorsLine, ColorCountOf(picture)});
        Worker().Count(PendingColors.back().Count);
    }
    DebugLog.insert(DebugLog.end(), std::make_move_iterator(load.Log.begin()),
                    std::make_move_iterator(load.Log.end()));
    return picture;
}

void TfrmMain::ColorsCounted(const std::shared_ptr<TColorCount>& count) {
    const auto pending =
        std::find_if(PendingColors.begin(), PendingColors.end(),
                     [&](const TPendingColors& entry) { return entry.Count == count; });
    // The console may have settled it first.
    if (pending == PendingColors.end())
        return;
    DebugLog[pending->Line] = ColorsLabel + std::to_string(count->Take());
    PendingColors.erase(pending);
}

const std::vector<std::string>& TfrmMain::DebugLines() {
    for (const TPendingColors& pending : PendingColors)
        DebugLog[pending.Line] = ColorsLabel + std::to_string(pending.Count->Take());
    PendingColors.clear();
    return DebugLog;
}

std::shared_ptr<const TFastBMP> TfrmMain::LoadPicture(const std::string& path) {
    TPictureLoad load;
    {
        const TBusyCursor busy(*this, !actFullScreen->isChecked());
        load = LoadPictureFile(path, LoadSetup(), true);
    }
    // One notice per load, once it is done, however many parts of the file were damaged.
    const std::vector<std::string> warnings = std::move(load.Warnings);
    std::shared_ptr<const TFastBMP> picture = Logged(std::move(load));
    if (!warnings.empty())
        Services.MessageBox(warnings.front(), "Warning", TMessageKind::mkWarning,
                            TMessageButtons::mbOk);
    return picture;
}

std::shared_ptr<const TFastBMP> TfrmMain::ErrorPicture() {
    return Logged(LoadErrorPicture(LoadSetup()));
}

void TfrmMain::ShowPicture(const TFastBMP& buffer) {
    const int32_t start = Services.MillisecondsSinceMidnight();
    PaintEnabled = false;
    // The copy overwrites every byte: the buffer is not cleared for it first.
    DisplayBuffer->SetSize(buffer.Width, buffer.Height, TPictureMemory::TFill::Unset);
    if (DisplayBuffer->ByteSize > 0)
        std::memcpy(DisplayBuffer->PixelData, buffer.PixelData, size_t(DisplayBuffer->ByteSize));
    if (actGrayscale->isChecked())
        MakeGrayscale(*DisplayBuffer);
    FirstViewSize.reset();
    FitPicture();
    PaintEnabled = true;

    setWindowTitle(QString::fromStdString(ShownFileName() + " - Pelorama"));

    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Display: " + std::to_string(end - start) + " ms");
}
