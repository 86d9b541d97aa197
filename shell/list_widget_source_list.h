#pragma once
// The source list held by a QListWidget. Each item keeps its path's bytes
// (Qt::UserRole, a QByteArray) and shows them decoded as a file name, so a
// path that is not valid in the locale's encoding still reaches the merge
// unchanged.
#include "source_list.h"

class QListWidget;

class ListWidgetSourceList final : public velmor::SourceList {
public:
    explicit ListWidgetSourceList(QListWidget& list) : list_(list) {}

    int Count() const override;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;
    std::string Item(int index) const override;
    void SetItem(int index, const std::string& path) override;
    void AddStrings(const std::vector<std::string>& paths) override;
    void Delete(int index) override;
    void Clear() override;

private:
    QListWidget& list_;
};
