#pragma once
// The merged text the window makes of the same sources: the workflow's
// merge run and save over the real file-backed store.
#include <string>
#include <vector>

#include "fakes.h"
#include "merge_workflow.h"
#include "merged_text_store.h"
#include "temp_dir.h"

namespace velmor::testing {

inline std::string windowMerge(const std::vector<std::string>& sources)
{
    FakeControls controls;
    MergedTextStore store;
    MergeWorkflow workflow(controls.parts(store));
    controls.list.entries = sources;
    workflow.btnStartClick();
    TempDir dir;
    controls.saveDialog.nextChoice = dir.path("window.pgn");
    workflow.btnSaveClick();
    return TempDir::read(dir.path("window.pgn"));
}

}  // namespace velmor::testing
