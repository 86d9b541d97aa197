#pragma once
// What the source list commands need of the list control that holds the
// entries. The control is the only store of the list: commands read the
// entries, count and selection from it every time they run.
#include <string>
#include <vector>

namespace velmor {

class SourceList {
public:
    virtual ~SourceList() = default;

    virtual int Count() const = 0;
    // -1 when nothing is selected.
    virtual int ItemIndex() const = 0;
    // Selects entry `index`; -1 removes the selection.
    virtual void SetItemIndex(int index) = 0;
    virtual std::string Item(int index) const = 0;
    // Replaces the text of entry `index` in place; the selection stays.
    virtual void SetItem(int index, const std::string& path) = 0;
    // Appends every path in order, as one batch with a single redraw;
    // the selection does not change.
    virtual void AddStrings(const std::vector<std::string>& paths) = 0;
    // Removes entry `index`; -1 does nothing.
    virtual void Delete(int index) = 0;
    // No entries and no selection afterwards.
    virtual void Clear() = 0;
};

}  // namespace velmor
