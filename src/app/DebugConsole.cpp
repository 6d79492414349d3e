#include "app/DebugConsole.h"

#include "app/MainWindow.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

TfrmDebug::TfrmDebug(QWidget* owner, const std::vector<std::string>& lines)
    : QWidget(owner, Qt::Tool) {
    setWindowTitle("Debug console");
    move(318, 283);
    resize(455, 390);

    memDebug = new QPlainTextEdit(this);
    memDebug->setReadOnly(true);
    memDebug->setLineWrapMode(QPlainTextEdit::NoWrap);
    memDebug->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memDebug->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font("Tahoma");
    font.setPixelSize(11);
    memDebug->setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memDebug);

    QStringList text;
    text.reserve(qsizetype(lines.size()));
    for (const std::string& line : lines)
        text << QString::fromStdString(line);
    memDebug->setPlainText(text.join('\n'));
}

void TfrmDebug::ShowAtEnd() {
    show();
    QScrollBar* scrollBar = memDebug->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum());
}

void TfrmMain::actDebugConsoleExecute() {
    // Every console is a new snapshot; earlier ones stay as they are.
    (new TfrmDebug(this, DebugLines()))->ShowAtEnd();
}
