#include "app/MainWindow.h"
#include "platform/Rounding.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>

#include <algorithm>
#include <cmath>
#include <cstdint>

void TfrmMain::ShowNotice(const std::string& text, uint32_t milliseconds) {
    panNotify->show();
    lblNotify->setText(QString::fromStdString(text));
    panNotify->adjustSize();
    const QSize panel = panNotify->size();
    // A window smaller than the notice leaves it where it was, without a timer of its own.
    if (width() < panel.width() || height() < panel.height())
        return;
    panNotify->move(RoundEven(width() / 2.0 - panel.width() / 2.0),
                    RoundEven(height() / 2.0 - panel.height() / 2.0));
    panNotify->raise();
    QCoreApplication::processEvents();
    NoticeTimer.start(int(std::min<uint32_t>(milliseconds, INT32_MAX)));
}

void TfrmMain::HideNotice() {
    panNotify->lower();
    panNotify->hide();
    NoticeTimer.stop();
}
