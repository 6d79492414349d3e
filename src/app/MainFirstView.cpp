#include "app/MainWindow.h"

#include "formats/JPEGFirstView.h"
#include "platform/PictureLimits.h"
#include "raster/FastFX.h"
#include "raster/PictureMetadata.h"

#include <QAction>
#include <QCoreApplication>

// The first view is no load of its own: the log gets the full picture's block, and its
// "Resize: " and "Display: " lines, when the full picture replaces it.
bool TfrmMain::ShowFirstView(const std::string& path) {
    if (!actShrink->isChecked())
        return false;
    const TScreenArea area = WindowScreen();
    const TRect bounds = actFullScreen->isChecked() ? area.Geometry : area.WorkArea;
    std::optional<TJPEGFirstView> view = OpenJPEGFirstView(path, bounds.Width(), bounds.Height());
    if (!view)
        return false;
    try {
        const TPictureLoadScope load;
        // A small bitmap: its copy costs little.
        DisplayBuffer->LoadFromBitmapHandle(view->Picture->Bitmap());
        ApplyPictureMetadata(*DisplayBuffer, view->Picture->Metadata);
    } catch (const std::exception&) {
        return false; // the full load tells why
    }
    PaintEnabled = false;
    if (actGrayscale->isChecked())
        MakeGrayscale(*DisplayBuffer);
    FirstViewSize = TPictureSize{view->Width, view->Height};
    PlacePicture();
    PaintEnabled = true;
    setWindowTitle(QString::fromStdString(ExtractFileName(path) + " - Pelorama"));
    CurrentJob = std::make_shared<TNeighbourJob>(path, ErrorPicturePath());
    Worker().Start(CurrentJob);
    return true;
}

void TfrmMain::ShowFullPicture() {
    TakeNeighbour(CurrentJob, CurrentBmp);
    // Out of memory even for the error picture.
    if (!CurrentBmp)
        CurrentBmp = ErrorPicture();
    ShowPicture(*CurrentBmp);
}

void TfrmMain::AwaitFullPicture() {
    while (CurrentJob)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
}
