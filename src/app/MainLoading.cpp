#include "app/MainWindow.h"

#include "app/ProgramFiles.h"
#include "display/FastIMG.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "platform/PictureLimits.h"
#include "raster/FastFX.h"
#include "raster/LoadedPicture.h"

#include <QAction>
#include <QCoreApplication>

#include <cstring>
#include <exception>
#include <filesystem>

namespace {
std::unique_ptr<TFastBMP> BlackPicture() {
    auto picture = std::make_unique<TFastBMP>();
    picture->SetSize(100, 100);
    std::memset(picture->PixelData, 0, size_t(picture->ByteSize)); // black
    return picture;
}
} // namespace

std::string TfrmMain::ErrorPicturePath() const {
    return ProgramDataFile(ExecutablePath, "pic_err.jpg");
}

std::unique_ptr<TFastBMP> TfrmMain::LoadPicture(const std::string& path) {
    return LoadPictureOr(path, true, true);
}

std::unique_ptr<TFastBMP> TfrmMain::ErrorPicture() {
    const std::string path = ErrorPicturePath();
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
        return LoadPictureOr(path, false, false);
    return BlackPicture();
}

std::unique_ptr<TFastBMP> TfrmMain::DecodePicture(const std::string& path,
                                                  std::vector<std::string>& warnings) {
    // Decoding, drawing and the copy share one memory budget.
    const TPictureLoadScope load;
    std::unique_ptr<TGraphic> picture = PictureClassTable().LoadFromFile(path);
    // An empty picture has nothing to show; it is as unreadable as a corrupt one.
    if (picture->Empty())
        throw EInvalidGraphic("The picture is empty");
    warnings = picture->Warnings;
    auto result = std::make_unique<TFastBMP>();
    LoadPictureBuffer(std::move(picture), *result);
    return result;
}

std::unique_ptr<TFastBMP> TfrmMain::LoadPictureOr(const std::string& path,
                                                  bool errorPictureOnFailure, bool showWarning) {
    Log("");
    Log("===== " + ExtractFileName(path) + " =====");
    const int32_t start = Services.MillisecondsSinceMidnight();
    const bool windowMode = !actFullScreen->isChecked();
    if (windowMode)
        setCursor(Qt::WaitCursor);
    std::unique_ptr<TFastBMP> result;
    std::vector<std::string> warnings;
    std::string reason;
    try {
        result = DecodePicture(path, warnings);
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
    }
    if (!result) {
        // Whatever went wrong, the user sees the error picture, never a message; the log
        // says why (tiled, too large, truncated ...).
        Log("*Error*: Unable to load " + path);
        Log(reason.empty() ? "Unknown error" : reason);
        result = errorPictureOnFailure ? ErrorPicture() : BlackPicture();
        if (windowMode)
            unsetCursor();
        return result;
    }
    if (windowMode)
        unsetCursor();
    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Dimensions: " + std::to_string(result->Width) + "x" + std::to_string(result->Height));
    Log("Colors: " + std::to_string(result->ColorCount()));
    Log("Size: " + std::to_string(result->ByteSize) + " bytes (uncompressed)");
    Log("Load: " + std::to_string(end - start) + " ms");
    // One notice per load, once it is done, however many parts of the file were damaged.
    if (showWarning && !warnings.empty())
        Services.MessageBox(warnings.front(), "Warning", TMessageKind::mkWarning,
                            TMessageButtons::mbOk);
    return result;
}

void TfrmMain::ShowPicture(const TFastBMP& buffer) {
    const int32_t start = Services.MillisecondsSinceMidnight();
    PaintEnabled = false;
    DisplayBuffer->SetSize(buffer.Width, buffer.Height);
    if (DisplayBuffer->ByteSize > 0)
        std::memcpy(DisplayBuffer->PixelData, buffer.PixelData, size_t(DisplayBuffer->ByteSize));
    if (actGrayscale->isChecked())
        MakeGrayscale(*DisplayBuffer);
    FitPicture();
    PaintEnabled = true;

    setWindowTitle(QString::fromStdString(ShownFileName() + " - Pelorama"));

    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Display: " + std::to_string(end - start) + " ms");
}
