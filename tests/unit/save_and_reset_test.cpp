// Saving the merged text and the reset that follows only a successful save.
#include <gtest/gtest.h>

#include "fakes.h"
#include "merge_workflow.h"

namespace velmor {
namespace {

struct SavedState {
    std::string text;
    std::vector<std::string> entries;
    int selected;
    std::string fileName;
    std::string panel0;
    std::string panel1;
    bool operator==(const SavedState& o) const
    {
        return text == o.text && entries == o.entries && selected == o.selected && fileName == o.fileName &&
               panel0 == o.panel0 && panel1 == o.panel1;
    }
};

struct SaveBench : testing::FakeControls {
    testing::FakeMergedText text;
    MergeWorkflow workflow{parts(text)};

    SaveBench()
    {
        list.entries = {"/s/a.pgn", "/s/b.pgn"};
        list.selected = 1;
        text.bytes = "a\r\n\r\n";
        panels.text[StatusPanels::ItemCount] = "2 item(s)";
        panels.text[StatusPanels::Progress] = "100 % complete";
        saveDialog.fileName = "/t/earlier.pgn";
    }
    SavedState state() const
    {
        return {text.bytes, list.entries, list.selected, saveDialog.fileName,
                panels.text[StatusPanels::ItemCount], panels.text[StatusPanels::Progress]};
    }
};

TEST(SaveAndResetTest, SuccessfulSaveWritesTheTextThenEmptiesEverything)
{
    SaveBench bench;
    bench.saveDialog.nextChoice = "/t/all.pgn";
    bench.workflow.btnSaveClick();
    ASSERT_EQ(bench.text.saved.size(), 1u);
    EXPECT_EQ(bench.text.saved[0].first, "/t/all.pgn");
    EXPECT_EQ(bench.text.saved[0].second, "a\r\n\r\n");
    EXPECT_EQ(bench.state(), (SavedState{"", {}, -1, "", "", ""}));
    EXPECT_TRUE(bench.messages.shown.empty());
}

TEST(SaveAndResetTest, CancelOrFailedSaveChangesNothing)
{
    {
        SaveBench bench;
        const SavedState before = bench.state();
        bench.saveDialog.nextChoice = std::nullopt;
        bench.workflow.btnSaveClick();
        EXPECT_TRUE(bench.text.saved.empty());
        EXPECT_EQ(bench.state(), before);
    }
    {
        SaveBench bench;
        bench.saveDialog.nextChoice = "/missing/all.pgn";
        bench.text.failSaveWith = "Cannot create file /missing/all.pgn";
        SavedState expected = bench.state();
        expected.fileName = "/missing/all.pgn";  // the user can correct the name and save again
        EXPECT_THROW(bench.workflow.btnSaveClick(), EFCreateError);
        EXPECT_EQ(bench.state(), expected);
    }
}

}  // namespace
}  // namespace velmor
