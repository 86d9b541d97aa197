#include "list_widget_source_list.h"

#include <QFile>
#include <QListWidget>

namespace {

void showPath(QListWidgetItem& item, const std::string& path)
{
    const QByteArray bytes = QByteArray::fromStdString(path);
    item.setData(Qt::UserRole, bytes);
    item.setText(QFile::decodeName(bytes));
}

}  // namespace

int ListWidgetSourceList::Count() const
{
    return list_.count();
}

int ListWidgetSourceList::ItemIndex() const
{
    // The selected entry, not the current one: the list view makes an entry
    // current when it takes the focus without selecting it.
    const QList<QListWidgetItem*> selected = list_.selectedItems();
    return selected.isEmpty() ? -1 : list_.row(selected.first());
}

void ListWidgetSourceList::SetItemIndex(int index)
{
    if (index < 0 || index >= list_.count()) {
        list_.clearSelection();
        list_.setCurrentRow(-1);
        return;
    }
    list_.setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

std::string ListWidgetSourceList::Item(int index) const
{
    const QListWidgetItem* item = list_.item(index);
    return item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

void ListWidgetSourceList::SetItem(int index, const std::string& path)
{
    if (QListWidgetItem* item = list_.item(index))
        showPath(*item, path);
}

void ListWidgetSourceList::AddStrings(const std::vector<std::string>& paths)
{
    // One redraw for the whole batch, however many files were picked.
    list_.setUpdatesEnabled(false);
    for (const std::string& path : paths) {
        auto* item = new QListWidgetItem;
        showPath(*item, path);
        list_.addItem(item);
    }
    list_.setUpdatesEnabled(true);
}

void ListWidgetSourceList::Delete(int index)
{
    if (index < 0 || index >= list_.count())
        return;
    delete list_.takeItem(index);
}

void ListWidgetSourceList::Clear()
{
    list_.clear();
}
