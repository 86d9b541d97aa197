// The merge run: every source, in list order, becomes one block of the
// merged text.
#include <new>
#include <string>

#include "errors.h"
#include "merge_workflow.h"
#include "percentage.h"

namespace velmor {

void MergeWorkflow::mergeSource(const std::string& path, SourceReader& reader)
{
    try {
        openSource_(path, reader);
        // The source streams through the reader while the merged text takes
        // it; a source that turns out not to be text, or breaks off, is
        // taken back whole by the append.
        parts_.text.Append(sourceBlock(reader));
        reader.close();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

void MergeWorkflow::btnStartClick()
{
    parts_.text.Clear();
    const int n = parts_.list.Count();
    // One reader, and so one buffer, serves the whole run; it is released
    // when the run ends, after success and failure alike.
    SourceReader reader;
    for (int k = 1; k <= n; ++k) {
        // Progress is shown for every source, also for the one that failed.
        auto showProgress = [&] {
            parts_.panels.SetText(StatusPanels::Progress,
                                  std::to_string(progressPercent(k, n)) + " % complete");
            parts_.panels.Refresh();
        };
        try {
            mergeSource(parts_.list.Item(k - 1), reader);
        } catch (...) {
            showProgress();
            throw;
        }
        showProgress();
    }
    parts_.messages.ShowMessage(messages::importDone);
}

}  // namespace velmor
