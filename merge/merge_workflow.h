#pragma once
// The commands of the tool bar, written against the small interfaces of the
// controls they use so that they run and are tested without a window. Each
// command copes with whatever state it finds and lets its error travel on
// to the caller, after its own clean-up and status steps have run.
#include <functional>
#include <string>

#include "file_dialogs.h"
#include "merged_text.h"
#include "message_box.h"
#include "source_list.h"
#include "source_reader.h"
#include "status_panels.h"

namespace velmor {

struct WorkflowParts {
    SourceList& list;
    OpenDialog& openDialog;
    SaveDialog& saveDialog;
    StatusPanels& panels;
    MergedText& text;
    MessageBox& messages;
};

class MergeWorkflow {
public:
    // Opens the source at `path` in the run's reader.
    using SourceOpener = std::function<void(const std::string& path, SourceReader& reader)>;
    static void openSource(const std::string& path, SourceReader& reader) { reader.open(path); }

    explicit MergeWorkflow(WorkflowParts parts, SourceOpener opener = openSource)
        : parts_(parts), openSource_(std::move(opener)) {}

    // Source list commands.
    void btnOpenClick();
    void btnUpClick();
    void btnDownClick();
    void btnDeleteClick();
    // Merge run: rebuilds the merged text from every source in list order.
    void btnStartClick();
    // Save and reset: writes the merged text to the chosen target and, only
    // when that succeeded, empties everything for the next merge.
    void btnSaveClick();

private:
    void showItemCount();
    void mergeSource(const std::string& path, SourceReader& reader);

    WorkflowParts parts_;
    SourceOpener openSource_;
};

}  // namespace velmor
