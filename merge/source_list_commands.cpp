// The commands that fill, order and trim the source list.
#include <string>

#include "merge_workflow.h"

namespace velmor {

void MergeWorkflow::showItemCount()
{
    parts_.panels.SetText(StatusPanels::ItemCount, std::to_string(parts_.list.Count()) + " item(s)");
}

void MergeWorkflow::btnOpenClick()
{
    // The count is shown whatever happened, also after a cancel or an error.
    try {
        if (parts_.openDialog.Execute())
            parts_.list.AddStrings(parts_.openDialog.Files());
    } catch (...) {
        showItemCount();
        throw;
    }
    showItemCount();
}

void MergeWorkflow::btnUpClick()
{
    SourceList& list = parts_.list;
    const int i = list.ItemIndex();
    if (i <= 0)
        return;
    const std::string above = list.Item(i - 1);
    const std::string selected = list.Item(i);
    list.SetItem(i - 1, selected);
    list.SetItem(i, above);
    list.SetItemIndex(i - 1);
}

void MergeWorkflow::btnDownClick()
{
    SourceList& list = parts_.list;
    const int i = list.ItemIndex();
    if (i == -1 || i >= list.Count() - 1)
        return;
    const std::string below = list.Item(i + 1);
    const std::string selected = list.Item(i);
    list.SetItem(i + 1, selected);
    list.SetItem(i, below);
    list.SetItemIndex(i + 1);
}

void MergeWorkflow::btnDeleteClick()
{
    SourceList& list = parts_.list;
    const int i = list.ItemIndex();
    try {
        list.Delete(i);
        const int n = list.Count();
        // The entry that followed moves into the gap and is selected; after
        // the last entry the new last one is.
        list.SetItemIndex(i < n ? i : n - 1);
    } catch (...) {
        showItemCount();
        throw;
    }
    showItemCount();
}

}  // namespace velmor
