#include "ViewerFixture.h"

#include "app/DebugConsole.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {
class DebugConsole : public ViewerFixture {
protected:
    // The consoles of the window, oldest first (without a meta-object of their own, Qt's own
    // lookup cannot tell them from other widgets).
    static std::vector<TfrmDebug*> Consoles(const TfrmMain& window) {
        std::vector<TfrmDebug*> consoles;
        for (QObject* child : window.children())
            if (auto* console = dynamic_cast<TfrmDebug*>(child))
                consoles.push_back(console);
        return consoles;
    }

    static QString Joined(const std::vector<std::string>& lines) {
        QStringList text;
        for (const std::string& line : lines)
            text << QString::fromStdString(line);
        return text.join('\n');
    }
};

TEST_F(DebugConsole, ShowsASnapshotOfTheLogInANewToolWindow) {
    TfrmMain& window = *Start({WriteSample("sample.tbmp")});
    window.actDebugConsole->trigger();
    const std::vector<TfrmDebug*> consoles = Consoles(window);
    ASSERT_EQ(consoles.size(), 1u);
    TfrmDebug& console = *consoles[0];
    EXPECT_EQ(console.windowTitle().toStdString(), "Debug console");
    EXPECT_TRUE(console.windowFlags() & Qt::Tool);
    EXPECT_TRUE(console.isVisible());
    EXPECT_EQ(console.pos(), QPoint(318, 283));
    EXPECT_EQ(console.size(), QSize(455, 390));
    EXPECT_TRUE(console.memDebug->isReadOnly());
    EXPECT_EQ(console.memDebug->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(console.memDebug->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(console.memDebug->toPlainText(), Joined(window.DebugLog));
    // The picture's block begins with its empty line.
    EXPECT_EQ(console.memDebug->document()->blockCount(), int(window.DebugLog.size()));
}

TEST_F(DebugConsole, EveryCommandOpensAnotherWindowAndEarlierOnesStayAsTheyWere) {
    TfrmMain& window = *Start({WriteSample("sample.tbmp")});
    window.actDebugConsoleExecute();
    const std::vector<std::string> before = window.DebugLog;
    window.CurrentBmp = window.LoadPicture(WriteSample("other.tbmp"));
    window.actDebugConsoleExecute();
    const std::vector<TfrmDebug*> consoles = Consoles(window);
    ASSERT_EQ(consoles.size(), 2u);
    EXPECT_EQ(consoles[0]->memDebug->toPlainText(), Joined(before));
    EXPECT_EQ(consoles[1]->memDebug->toPlainText(), Joined(window.DebugLog));
    EXPECT_NE(consoles[0]->memDebug->toPlainText(), consoles[1]->memDebug->toPlainText());
    // Closing one only hides it.
    consoles[0]->close();
    EXPECT_FALSE(consoles[0]->isVisible());
    EXPECT_EQ(Consoles(window).size(), 2u);
}

TEST_F(DebugConsole, OpensScrolledToTheLastLine) {
    TfrmMain& window = *Start({});
    for (int i = 0; i < 300; ++i)
        window.DebugLog.push_back("line " + std::to_string(i));
    window.actDebugConsoleExecute();
    const QScrollBar& bar = *Consoles(window).at(0)->memDebug->verticalScrollBar();
    EXPECT_GT(bar.maximum(), 0);
    EXPECT_EQ(bar.value(), bar.maximum());
}
} // namespace
