// Runs a merge and a save through the merge workflow without a window:
//     merge_bench TARGET SOURCE...
// The list, dialogs, panels and message box are plain stand-ins; the merged
// text is the real file-backed store. Prints the time of the merge run and
// of the save separately, and one RESULT line for bench/run.sh.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "errors.h"
#include "merge_workflow.h"
#include "merged_text_store.h"

namespace {

class BenchList : public velmor::SourceList {
public:
    int Count() const override { return static_cast<int>(entries_.size()); }
    int ItemIndex() const override { return selected_; }
    void SetItemIndex(int index) override { selected_ = index; }
    std::string Item(int index) const override { return entries_.at(static_cast<std::size_t>(index)); }
    void SetItem(int index, const std::string& path) override
    {
        entries_.at(static_cast<std::size_t>(index)) = path;
    }
    void AddStrings(const std::vector<std::string>& paths) override
    {
        entries_.insert(entries_.end(), paths.begin(), paths.end());
    }
    void Delete(int index) override
    {
        if (index >= 0)
            entries_.erase(entries_.begin() + index);
    }
    void Clear() override
    {
        entries_.clear();
        selected_ = -1;
    }

private:
    std::vector<std::string> entries_;
    int selected_ = -1;
};

// Picks the given files, as a user would in the open dialog.
class BenchOpenDialog : public velmor::OpenDialog {
public:
    explicit BenchOpenDialog(std::vector<std::string> files) : files_(std::move(files)) {}
    bool Execute() override { return true; }
    std::vector<std::string> Files() const override { return files_; }

private:
    std::vector<std::string> files_;
};

// Confirms the given target.
class BenchSaveDialog : public velmor::SaveDialog {
public:
    explicit BenchSaveDialog(std::string target) : target_(std::move(target)) {}
    bool Execute() override { return true; }
    std::string FileName() const override { return fileName_.empty() ? target_ : fileName_; }
    void SetFileName(const std::string& path) override { fileName_ = path; }

private:
    std::string target_;
    std::string fileName_;
};

class BenchPanels : public velmor::StatusPanels {
public:
    int refreshes = 0;
    std::string progress;
    void SetText(Panel panel, const std::string& text) override
    {
        if (panel == Progress)
            progress = text;
    }
    void Refresh() override { ++refreshes; }
};

class BenchMessages : public velmor::MessageBox {
public:
    std::vector<std::string> shown;
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakRssMiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

int run(const std::string& target, const std::vector<std::string>& sources)
{
    BenchList list;
    BenchOpenDialog openDialog(sources);
    BenchSaveDialog saveDialog(target);
    BenchPanels panels;
    BenchMessages messages;
    velmor::MergedTextStore text;
    velmor::MergeWorkflow workflow({list, openDialog, saveDialog, panels, text, messages});

    workflow.btnOpenClick();
    const auto runStart = std::chrono::steady_clock::now();
    workflow.btnStartClick();
    const double runSeconds = secondsSince(runStart);
    const double rssAfterRun = peakRssMiB();
    const auto mergedBytes = text.size();
    const auto lines = text.lineCount();

    const auto saveStart = std::chrono::steady_clock::now();
    workflow.btnSaveClick();
    const double saveSeconds = secondsSince(saveStart);

    if (messages.shown != std::vector<std::string>{velmor::messages::importDone} ||
        panels.refreshes != static_cast<int>(sources.size())) {
        std::fprintf(stderr, "merge_bench: the run did not end as expected\n");
        return 1;
    }
    std::printf("merge run: %8.3f s  (%llu bytes merged, %llu lines, %d status repaints)\n", runSeconds,
                static_cast<unsigned long long>(mergedBytes), static_cast<unsigned long long>(lines),
                panels.refreshes);
    std::printf("save:      %8.3f s\n", saveSeconds);
    std::printf("peak RSS:  %8.1f MiB after the run, %.1f MiB at the end\n", rssAfterRun, peakRssMiB());
    std::printf("RESULT run_s=%.3f save_s=%.3f merged_bytes=%llu\n", runSeconds, saveSeconds,
                static_cast<unsigned long long>(mergedBytes));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TARGET SOURCE...\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> sources(argv + 2, argv + argc);
    try {
        return run(argv[1], sources);
    } catch (const velmor::Exception& error) {
        std::fprintf(stderr, "merge_bench: %s\n", error.what());
        return 1;
    }
}
