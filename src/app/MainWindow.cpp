#include "app/MainWindow.h"

#include "display/FastIMG.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPalette>

TfrmMain::TfrmMain(TPlatformServices& services, std::vector<std::string> arguments,
                   std::string executablePath)
    : Services(services), Arguments(std::move(arguments)),
      ExecutablePath(std::move(executablePath)) {
    NameOrder.setCaseSensitivity(Qt::CaseInsensitive);
    CreateComponents();
    CreateActions();
    CreateMenu();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    // No decode may end into a window that is going.
    CancelNeighbours();
    CancelNeighbour(CurrentJob);
    NeighbourDecoder.reset();
    FormDestroy();
    qApp->removeEventFilter(this);
    // The surface outlives the buffer by a few instructions (Qt deletes children last).
    DisplaySurface->SetBuffer(nullptr);
}

void TfrmMain::CreateComponents() {
    setWindowFlag(Qt::FramelessWindowHint);
    setWindowTitle("Pelorama");
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    panNotify = new QFrame(this);
    panNotify->setFrameShape(QFrame::NoFrame);
    panNotify->setAutoFillBackground(true);
    panNotify->setBackgroundRole(QPalette::ToolTipBase);
    auto* layout = new QHBoxLayout(panNotify);
    layout->setContentsMargins(3, 3, 3, 3);
    lblNotify = new QLabel(panNotify);
    lblNotify->setAlignment(Qt::AlignCenter);
    lblNotify->setAttribute(Qt::WA_TranslucentBackground);
    QFont notifyFont("Tahoma");
    notifyFont.setPixelSize(11);
    lblNotify->setFont(notifyFont);
    layout->addWidget(lblNotify);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    panNotify->hide();

    popMain = new QMenu(this);

    NoticeTimer.setSingleShot(true);
    QObject::connect(&NoticeTimer, &QTimer::timeout, this, [this] { HideNotice(); });
}

namespace {
const QEvent::Type HandedOverEvent = QEvent::Type(QEvent::registerEventType());
} // namespace

void TfrmMain::HandOver(std::function<void()> finished) {
    {
        const std::lock_guard lock(HandedOverGuard);
        HandedOver.push_back(std::move(finished));
    }
    QCoreApplication::postEvent(this, new QEvent(HandedOverEvent));
}

void TfrmMain::RunHandedOver() {
    std::vector<std::function<void()>> finished;
    {
        const std::lock_guard lock(HandedOverGuard);
        finished.swap(HandedOver);
    }
    for (const std::function<void()>& run : finished)
        run();
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == HandedOverEvent) {
        RunHandedOver();
        return true;
    }
    switch (event->type()) {
    case QEvent::Paint:
        if (!PaintEnabled)
            return true;
        break;
    case QEvent::Timer:
        // The notice timer is a QTimer of its own; nothing else may time this window.
        return true;
    default:
        break;
    }
    return QWidget::event(event);
}

void TfrmMain::Log(std::string line) {
    DebugLog.push_back(std::move(line));
}
