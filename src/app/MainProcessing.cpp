#include "app/MainWindow.h"

#include "display/FastIMG.h"
#include "raster/FastFX.h"
#include "raster/FastRotate.h"

#include <QAction>
#include <QLocale>

#include <cmath>
#include <exception>

namespace {
// The user's locale decides the decimal separator; an exponent is accepted. Digit grouping,
// infinities and "nan" are not numbers an angle can be.
std::optional<double> ParseAngle(const std::string& text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool valid = false;
    const double angle = locale.toDouble(QString::fromStdString(text), &valid);
    if (!valid || !std::isfinite(angle))
        return std::nullopt;
    return angle;
}
} // namespace

void TfrmMain::actGrayscaleExecute() {
    actGrayscale->setChecked(!actGrayscale->isChecked());
    if (!actGrayscale->isChecked()) {
        // Back to the colours as loaded; every other change goes with the gray.
        ShowCurrentPictureAgain();
        return;
    }
    const int32_t start = Services.MillisecondsSinceMidnight();
    MakeGrayscale(*DisplayBuffer);
    DisplaySurface->repaint();
    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Grayscale: " + std::to_string(end - start) + " ms");
}

void TfrmMain::ApplyEffect(void (*effect)(TFastRGB&)) {
    // The size stays, so the geometry does too.
    effect(*DisplayBuffer);
    DisplaySurface->repaint();
}

void TfrmMain::actInvertExecute() {
    ApplyEffect(InvertColors);
}

void TfrmMain::actEmbossExecute() {
    ApplyEffect(EmbossEffect);
}

void TfrmMain::actHFlipExecute() {
    ApplyEffect(FlipHorizontal);
}

void TfrmMain::actVFlipExecute() {
    ApplyEffect(FlipVertical);
}

void TfrmMain::actRotate90cwExecute() {
    RotatePicture(-90);
}

void TfrmMain::actRotate90ccwExecute() {
    RotatePicture(90);
}

void TfrmMain::actRotateArbExecute() {
    const std::optional<std::string> text =
        Services.InputQuery("Rotate Arbitrary", "Angle (in degrees)", "");
    if (!text)
        return;
    const std::optional<double> angle = ParseAngle(*text);
    if (!angle) {
        Services.MessageBox("Incorrect value", "", TMessageKind::mkError, TMessageButtons::mbOk);
        return;
    }
    RotatePicture(*angle);
}

void TfrmMain::RotatePicture(double angle) {
    const int32_t width = DisplayBuffer->Width;
    const int32_t height = DisplayBuffer->Height;
    try {
        TFastBMP original;
        original.SetSize(width, height);
        DisplayBuffer->CopyBlock(original, 0, 0, width, height, 0, 0);
        // Whole multiples of 90 (0 and 180 too) turn exactly. The remainder is exact in
        // floating point, so angles beyond any integer range are sorted the same way.
        const double turn = std::fmod(angle, 360.0);
        if (std::fmod(turn, 90.0) == 0) {
            // Sizes the display buffer to the turned picture as well.
            RotateQuarter(original, *DisplayBuffer, int64_t(turn));
        } else {
            RotatedExtent(*DisplayBuffer, *DisplayBuffer, angle);
            RotateBilinear(original, *DisplayBuffer,
                           int32_t(std::lrint(DisplayBuffer->Width / 2.0)), angle,
                           int32_t(std::lrint(DisplayBuffer->Height / 2.0)));
        }
    } catch (const std::exception& error) {
        // A turned picture too large to hold: the picture stays as it was.
        Services.MessageBox(error.what(), "", TMessageKind::mkError, TMessageButtons::mbOk);
        return;
    }
    FitPicture();
}

void TfrmMain::actRevertExecute() {
    ShowCurrentPictureAgain();
}

void TfrmMain::ShowCurrentPictureAgain() {
    if (!CurrentBmp)
        return;
    // The same picture, so the same title, also for a picture the list does not hold.
    const QString title = windowTitle();
    ShowPicture(*CurrentBmp);
    setWindowTitle(title);
}
