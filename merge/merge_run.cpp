// The merge run: every source, in list order, becomes one block of the
// merged text.
#include <new>
#include <optional>
#include <string>

#include "errors.h"
#include "merge_workflow.h"
#include "percentage.h"

namespace velmor {

void MergeWorkflow::mergeSource(const std::string& path, SourceBuffer& buffer)
{
    try {
        readSource_(path, buffer);
        const std::optional<std::string_view> text = textOf(buffer.bytes());
        if (!text)
            throw ENotTextFile(withPath(messages::notText, path));
        parts_.text.Append(Block(*text));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

void MergeWorkflow::btnStartClick()
{
    parts_.text.Clear();
    const int n = parts_.list.Count();
    // One buffer serves the whole run; it is released when the run ends,
    // after success and failure alike.
    SourceBuffer buffer;
    for (int k = 1; k <= n; ++k) {
        // Progress is shown for every source, also for the one that failed.
        auto showProgress = [&] {
            parts_.panels.SetText(StatusPanels::Progress,
                                  std::to_string(progressPercent(k, n)) + " % complete");
            parts_.panels.Refresh();
        };
        try {
            mergeSource(parts_.list.Item(k - 1), buffer);
        } catch (...) {
            showProgress();
            throw;
        }
        showProgress();
    }
    parts_.messages.ShowMessage(messages::importDone);
}

}  // namespace velmor
