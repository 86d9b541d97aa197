// Saving the merged text, and the reset that readies the next merge.
#include <string>

#include "merge_workflow.h"

namespace velmor {

void MergeWorkflow::btnSaveClick()
{
    SaveDialog& dialog = parts_.saveDialog;
    if (!dialog.Execute())
        return;
    // A failed save throws here and empties nothing: the user's merge stays
    // and can be saved again elsewhere.
    parts_.text.SaveToFile(dialog.FileName());
    parts_.text.Clear();
    parts_.list.Clear();
    dialog.SetFileName("");
    parts_.panels.SetText(StatusPanels::ItemCount, "");
    parts_.panels.SetText(StatusPanels::Progress, "");
}

}  // namespace velmor
