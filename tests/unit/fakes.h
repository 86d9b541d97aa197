#pragma once
// In-memory stand-ins for the controls the merge workflow drives.
#include <optional>
#include <string>
#include <vector>

#include "errors.h"
#include "file_dialogs.h"
#include "merge_workflow.h"
#include "merged_text.h"
#include "message_box.h"
#include "source_list.h"
#include "status_panels.h"

namespace velmor::testing {

class FakeSourceList : public SourceList {
public:
    std::vector<std::string> entries;
    int selected = -1;

    int Count() const override { return static_cast<int>(entries.size()); }
    int ItemIndex() const override { return selected; }
    void SetItemIndex(int index) override { selected = index; }
    std::string Item(int index) const override { return entries.at(static_cast<std::size_t>(index)); }
    void SetItem(int index, const std::string& path) override { entries.at(static_cast<std::size_t>(index)) = path; }
    void AddStrings(const std::vector<std::string>& paths) override
    {
        entries.insert(entries.end(), paths.begin(), paths.end());
    }
    void Delete(int index) override
    {
        if (index >= 0)
            entries.erase(entries.begin() + index);
    }
    void Clear() override
    {
        entries.clear();
        selected = -1;
    }
};

class FakeOpenDialog : public OpenDialog {
public:
    std::optional<std::vector<std::string>> nextChoice;  // nullopt: cancel
    bool Execute() override
    {
        files_ = nextChoice.value_or(std::vector<std::string>{});
        return nextChoice.has_value();
    }
    std::vector<std::string> Files() const override { return files_; }

private:
    std::vector<std::string> files_;
};

class FakeSaveDialog : public SaveDialog {
public:
    std::optional<std::string> nextChoice;  // nullopt: cancel
    std::string fileName;
    bool Execute() override
    {
        if (nextChoice)
            fileName = *nextChoice;
        return nextChoice.has_value();
    }
    std::string FileName() const override { return fileName; }
    void SetFileName(const std::string& path) override { fileName = path; }
};

class FakePanels : public StatusPanels {
public:
    std::string text[2];
    std::vector<std::string> progressShown;  // panel 1 at every Refresh
    void SetText(Panel panel, const std::string& t) override { text[panel] = t; }
    void Refresh() override { progressShown.push_back(text[Progress]); }
};

class FakeMessageBox : public MessageBox {
public:
    std::vector<std::string> shown;
    void ShowMessage(const std::string& t) override { shown.push_back(t); }
};

// A merged text in a string, with a capacity and a save that can fail.
class FakeMergedText : public MergedText {
public:
    std::string bytes;
    std::size_t capacity = std::string::npos;
    std::optional<std::string> failSaveWith;  // the message a save throws
    std::vector<std::pair<std::string, std::string>> saved;  // path, bytes

    void Clear() override { bytes.clear(); }
    void Append(const Block& block) override
    {
        const std::string piece = block.bytes() + "\r\n";
        if (capacity != std::string::npos && bytes.size() + piece.size() > capacity)
            throw EOutOfResources(messages::textFull);
        bytes += piece;
    }
    void SaveToFile(const std::string& path) const override
    {
        if (failSaveWith)
            throw EFCreateError(*failSaveWith);
        const_cast<FakeMergedText*>(this)->saved.emplace_back(path, bytes);
    }
};

// Every control the workflow drives but the merged text, which tests choose.
struct FakeControls {
    FakeSourceList list;
    FakeOpenDialog openDialog;
    FakeSaveDialog saveDialog;
    FakePanels panels;
    FakeMessageBox messages;

    WorkflowParts parts(MergedText& text) { return {list, openDialog, saveDialog, panels, text, messages}; }
};

}  // namespace velmor::testing
