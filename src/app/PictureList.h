#pragma once

#include <QListWidget>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// The names the picture list shows for the file list: every "/./" becomes "/", then the
// browsed directory (ending in "/") is taken off the front, letter case respected. A picture of
// the browsed directory shows its bare name, one of a subdirectory its relative path.
std::vector<std::string> PictureListItems(const std::vector<std::string>& fileList,
                                          const std::string& currentDir);

// The list box of the picture list: its key-down handler runs before the list's own keys.
class TPictureListBox : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void(int key, Qt::KeyboardModifiers shift)> OnKeyDown;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A floating tool window on top of the others, listing the pictures by name.
class TfrmPictureList : public QWidget {
public:
    explicit TfrmPictureList(QWidget* owner);

    TPictureListBox* lstPictureList = nullptr;
};
