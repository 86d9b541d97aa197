// Adding, moving and deleting entries of the source list.
#include <gtest/gtest.h>

#include "fakes.h"
#include "merge_workflow.h"

namespace velmor {
namespace {

using testing::FakeMergedText;
using testing::FakeMessageBox;
using testing::FakeOpenDialog;
using testing::FakePanels;
using testing::FakeSaveDialog;
using testing::FakeSourceList;
using Paths = std::vector<std::string>;

struct Workbench : testing::FakeControls {
    FakeMergedText text;
    MergeWorkflow workflow{parts(text)};
};

enum class Command { Up, Down, Delete };

struct EditCase {
    const char* name;
    Paths before;
    int selected;
    Command command;
    Paths after;
    int selectedAfter;
    const char* countText;  // panel 0 afterwards; moves never write it
};

void run(MergeWorkflow& workflow, Command command)
{
    switch (command) {
    case Command::Up: workflow.btnUpClick(); break;
    case Command::Down: workflow.btnDownClick(); break;
    case Command::Delete: workflow.btnDeleteClick(); break;
    }
}

TEST(SourceListCommandsTest, MovesAndDeleteFollowTheSelectionRules)
{
    const Paths abc = {"a", "b", "c"};
    const EditCase cases[] = {
        {"up on empty list", {}, -1, Command::Up, {}, -1, ""},
        {"down on empty list", {}, -1, Command::Down, {}, -1, ""},
        {"delete on empty list", {}, -1, Command::Delete, {}, -1, "0 item(s)"},
        {"up without selection", abc, -1, Command::Up, abc, -1, ""},
        {"down without selection", abc, -1, Command::Down, abc, -1, ""},
        {"delete without selection", abc, -1, Command::Delete, abc, -1, "3 item(s)"},
        {"up on first", abc, 0, Command::Up, abc, 0, ""},
        {"down on first", abc, 0, Command::Down, {"b", "a", "c"}, 1, ""},
        {"up on last", abc, 2, Command::Up, {"a", "c", "b"}, 1, ""},
        {"down on last", abc, 2, Command::Down, abc, 2, ""},
        {"up on single", {"a"}, 0, Command::Up, {"a"}, 0, ""},
        {"down on single", {"a"}, 0, Command::Down, {"a"}, 0, ""},
        {"delete middle selects follower", abc, 1, Command::Delete, {"a", "c"}, 1, "2 item(s)"},
        {"delete last selects new last", abc, 2, Command::Delete, {"a", "b"}, 1, "2 item(s)"},
        {"delete only entry", {"a"}, 0, Command::Delete, {}, -1, "0 item(s)"},
        {"duplicates move as entries", {"a", "a", "b"}, 2, Command::Up, {"a", "b", "a"}, 1, ""},
    };
    for (const auto& c : cases) {
        Workbench bench;
        bench.list.entries = c.before;
        bench.list.selected = c.selected;
        run(bench.workflow, c.command);
        EXPECT_EQ(bench.list.entries, c.after) << c.name;
        EXPECT_EQ(bench.list.selected, c.selectedAfter) << c.name;
        EXPECT_EQ(bench.panels.text[StatusPanels::ItemCount], c.countText) << c.name;
    }
}

TEST(SourceListCommandsTest, AddAppendsPickedPathsAndAlwaysShowsTheCount)
{
    Workbench bench;
    bench.openDialog.nextChoice = std::nullopt;  // cancel right after start-up
    bench.workflow.btnOpenClick();
    EXPECT_TRUE(bench.list.entries.empty());
    EXPECT_EQ(bench.panels.text[StatusPanels::ItemCount], "0 item(s)");

    bench.list.selected = -1;
    bench.openDialog.nextChoice = Paths{"/x/one.pgn", "/x/two 100%s.pgn"};
    bench.workflow.btnOpenClick();
    bench.list.selected = 1;
    bench.openDialog.nextChoice = Paths{"/x/one.pgn"};  // picked again: stands twice
    bench.workflow.btnOpenClick();
    EXPECT_EQ(bench.list.entries, (Paths{"/x/one.pgn", "/x/two 100%s.pgn", "/x/one.pgn"}));
    EXPECT_EQ(bench.list.selected, 1);
    EXPECT_EQ(bench.panels.text[StatusPanels::ItemCount], "3 item(s)");

    bench.panels.text[StatusPanels::ItemCount] = "stale";
    bench.openDialog.nextChoice = std::nullopt;
    bench.workflow.btnOpenClick();
    EXPECT_EQ(bench.panels.text[StatusPanels::ItemCount], "3 item(s)");
}

TEST(SourceListCommandsTest, AddThatFailsStillShowsTheCountReached)
{
    struct RefusingList : FakeSourceList {
        void AddStrings(const Paths& paths) override
        {
            entries.push_back(paths.front());
            throw Exception("Unable to insert a line");
        }
    };
    testing::FakeControls controls;
    RefusingList list;
    FakeMergedText text;
    WorkflowParts parts = controls.parts(text);
    MergeWorkflow workflow({list, parts.openDialog, parts.saveDialog, parts.panels, text, parts.messages});
    controls.openDialog.nextChoice = Paths{"a", "b"};
    EXPECT_THROW(workflow.btnOpenClick(), Exception);
    EXPECT_EQ(controls.panels.text[StatusPanels::ItemCount], "1 item(s)");
}

}  // namespace
}  // namespace velmor
