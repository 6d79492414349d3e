#include "app/PictureList.h"

#include "app/TextReplace.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {
// Rows of a fixed height, as in a list box with owner-set item height.
class TFixedHeightRows : public QStyledItemDelegate {
public:
    TFixedHeightRows(int height, QObject* parent) : QStyledItemDelegate(parent), Height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), Height};
    }

private:
    int Height;
};
} // namespace

std::vector<std::string> PictureListItems(const std::vector<std::string>& fileList,
                                          const std::string& currentDir) {
    std::vector<std::string> items;
    items.reserve(fileList.size());
    for (const std::string& path : fileList) {
        std::string item = ReplaceAll(path, "/./", "/");
        // Only the leading directory: one of the same name further down is part of the name.
        if (!currentDir.empty() && item.compare(0, currentDir.size(), currentDir) == 0)
            item.erase(0, currentDir.size());
        items.push_back(std::move(item));
    }
    return items;
}

void TPictureListBox::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown)
        OnKeyDown(event->key(), event->modifiers());
    QListWidget::keyPressEvent(event);
}

TfrmPictureList::TfrmPictureList(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Picture List");
    move(0, 0);
    resize(193, 371);
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);

    lstPictureList = new TPictureListBox(this);
    lstPictureList->setItemDelegate(new TFixedHeightRows(13, lstPictureList));
    lstPictureList->setUniformItemSizes(true);
    lstPictureList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstPictureList);
}
