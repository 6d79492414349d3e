#include "app/MainWindow.h"

#include "app/PictureList.h"

#include <QAction>
#include <QScrollBar>

void TfrmMain::actPictureListExecute() {
    actPictureList->setChecked(!actPictureList->isChecked());
    if (!actPictureList->isChecked()) {
        // Later: the window may be in the middle of its own key handler.
        if (PictureList) {
            PictureList->hide();
            PictureList->deleteLater();
        }
        PictureList = nullptr;
        return;
    }
    PictureList = new TfrmPictureList(this);
    // The viewer's shortcuts work in the list's window as well.
    PictureList->addActions(actions());
    TPictureListBox* list = PictureList->lstPictureList;
    QObject::connect(list, &QListWidget::itemDoubleClicked, this, [this] { PictureListSelect(); });
    list->OnKeyDown = [this](int key, Qt::KeyboardModifiers shift) {
        PictureListKeyDown(key, shift);
    };
    if (FileList)
        for (const std::string& item : PictureListItems(*FileList, CurrentDir))
            list->addItem(QString::fromStdString(item));
    PictureList->show();
    list->setCurrentRow(CurrentIndex);
    // The selected item about ten lines below the top.
    if (CurrentIndex > 10)
        list->verticalScrollBar()->setValue(CurrentIndex - 10);
}

void TfrmMain::PictureListSelect() {
    if (!PictureList)
        return;
    const int32_t chosen = PictureList->lstPictureList->currentRow();
    // Items of a list rebuilt since the window opened may lie beyond the new list's end.
    if (chosen < 0 || chosen >= FileCount() || chosen == CurrentIndex)
        return;
    if (chosen == CurrentIndex + 1)
        GoNext();
    else if (chosen == CurrentIndex - 1)
        GoPrevious();
    else
        GoToPicture(chosen);
}

void TfrmMain::PictureListKeyDown(int key, Qt::KeyboardModifiers shift) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PictureListSelect();
        break;
    case Qt::Key_Escape:
        actPictureListExecute();
        break;
    default:
        FormKeyDown(key, shift);
        break;
    }
}

void TfrmMain::SyncPictureList() {
    if (actPictureList->isChecked() && PictureList)
        PictureList->lstPictureList->setCurrentRow(CurrentIndex);
}
