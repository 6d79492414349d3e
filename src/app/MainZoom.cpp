#include "app/MainWindow.h"

#include "display/FastIMG.h"

#include <QAction>

namespace {
void Flip(QAction* action) {
    action->setChecked(!action->isChecked());
}

// The factor is kept in single precision: its steps (and the way back from them) are those of
// a 32-bit float.
float ZoomedIn(float factor) {
    return factor < 1.0f ? float(double(factor) * 1.5) : float(double(factor) + 0.5);
}

float ZoomedOut(float factor) {
    return factor > 1.0f ? float(double(factor) - 0.5) : float(double(factor) / 1.5);
}
} // namespace

// The first press after zooming returns to the fitted view and leaves the option on.
void TfrmMain::FitOptionExecute(QAction* option) {
    if (ZoomFactor != 1.0f) {
        option->setChecked(true);
        ZoomFactor = 1.0f;
    } else {
        Flip(option);
    }
    FitPicture();
}

void TfrmMain::actShrinkExecute() {
    FitOptionExecute(actShrink);
}

void TfrmMain::actEnlargeExecute() {
    FitOptionExecute(actEnlarge);
}

void TfrmMain::actZoomInExecute() {
    ZoomFactor = ZoomedIn(ZoomFactor);
    FitPicture();
}

void TfrmMain::actZoomOutExecute() {
    ZoomFactor = ZoomedOut(ZoomFactor);
    FitPicture();
}

void TfrmMain::actZoomLockExecute() {
    Flip(actZoomLock);
}

void TfrmMain::actFilteringExecute() {
    Flip(actFiltering);
    DisplaySurface->SetBilinearResize(actFiltering->isChecked());
}
