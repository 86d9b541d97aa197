// The merge run through in-memory controls and real source files.
#include <gtest/gtest.h>


#include <functional>
#include <new>

#include "fakes.h"
#include "merge_workflow.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using namespace std::string_literals;
using testing::TempDir;

struct RunBench : testing::FakeControls {
    TempDir dir;
    testing::FakeMergedText text;
    MergeWorkflow::SourceOpener opener = MergeWorkflow::openSource;

    MergeWorkflow workflow() { return MergeWorkflow(parts(text), opener); }
};

TEST(MergeRunTest, JoinsSourcesInListOrderWithAnEmptyLineAfterEach)
{
    RunBench bench;
    const auto a = bench.dir.write("a.pgn", "a\nb");
    const auto c = bench.dir.write("c.pgn", "c\r\n");
    const auto empty = bench.dir.write("empty.pgn", "");
    bench.list.entries = {a, c, empty, a};
    bench.list.selected = 2;
    bench.text.bytes = "an earlier result\r\n";

    bench.workflow().btnStartClick();

    EXPECT_EQ(bench.text.bytes, "a\r\nb\r\n\r\nc\r\n\r\n\r\na\r\nb\r\n\r\n");
    EXPECT_EQ(bench.panels.progressShown, (std::vector<std::string>{
                                              "25 % complete", "50 % complete", "75 % complete", "100 % complete"}));
    EXPECT_EQ(bench.messages.shown, std::vector<std::string>{"Import successful"});
    EXPECT_EQ(bench.list.entries.size(), 4u);
    EXPECT_EQ(bench.list.selected, 2);

    bench.workflow().btnStartClick();  // a second run rebuilds, never doubles
    EXPECT_EQ(bench.text.bytes, "a\r\nb\r\n\r\nc\r\n\r\n\r\na\r\nb\r\n\r\n");
}

TEST(MergeRunTest, EmptyListClearsTheTextAndLeavesProgressAlone)
{
    RunBench bench;
    bench.text.bytes = "old\r\n";
    bench.panels.text[StatusPanels::Progress] = "100 % complete";
    bench.workflow().btnStartClick();
    EXPECT_EQ(bench.text.bytes, "");
    EXPECT_EQ(bench.panels.text[StatusPanels::Progress], "100 % complete");
    EXPECT_TRUE(bench.panels.progressShown.empty());
    EXPECT_EQ(bench.messages.shown, std::vector<std::string>{"Import successful"});
}

// Makes the second of three sources fail in some way; returns its path.
using Breaker = std::function<std::string(RunBench&)>;

struct FailureCase {
    const char* name;
    Breaker breakSecond;
    const char* message;  // "%s" stands for the second source's path
};

TEST(MergeRunTest, StopsAtAFailingSourceKeepingTheBlocksBeforeIt)
{
    const FailureCase cases[] = {
        {"missing", [](RunBench& b) { return b.dir.path("missing.pgn"); }, "Cannot open file %s"},
        {"UTF-16 text", [](RunBench& b) { return b.dir.write("utf16.pgn", "\xFF\xFE[\0E\0"s); },
         "File %s is not an 8-bit text file"},
        {"name that looks like a format", [](RunBench& b) { return b.dir.path("100%s %1 %n.pgn"); },
         "Cannot open file %s"},
        {"merged text full", [](RunBench& b) {
             b.text.capacity = 8;
             return b.dir.write("big.pgn", "0123456789");
         }, "RichEdit line insertion error"},
        {"memory runs out", [](RunBench& b) {
             const auto path = b.dir.write("huge.pgn", "x");
             b.opener = [path](const std::string& p, SourceReader& reader) {
                 if (p == path)
                     throw std::bad_alloc();
                 reader.open(p);
             };
             return path;
         }, "Out of memory"},
    };
    for (const auto& c : cases) {
        RunBench bench;
        const auto first = bench.dir.write("first.pgn", "1");
        const auto second = c.breakSecond(bench);
        const auto third = bench.dir.write("third.pgn", "3");
        bench.list.entries = {first, second, third};

        std::string message;
        try {
            bench.workflow().btnStartClick();
        } catch (const Exception& e) {
            message = e.what();
        }
        EXPECT_EQ(message, withPath(c.message, second)) << c.name;
        EXPECT_EQ(bench.text.bytes, "1\r\n\r\n") << c.name;
        EXPECT_EQ(bench.panels.progressShown, (std::vector<std::string>{"33 % complete", "67 % complete"}))
            << c.name;
        EXPECT_TRUE(bench.messages.shown.empty()) << c.name;
        EXPECT_EQ(bench.list.entries.size(), 3u) << c.name;
    }
}

TEST(MergeRunTest, OnlySourceFailingStillShowsFullProgress)
{
    RunBench bench;
    bench.list.entries = {bench.dir.path("gone.pgn")};
    EXPECT_THROW(bench.workflow().btnStartClick(), EFOpenError);
    EXPECT_EQ(bench.text.bytes, "");
    EXPECT_EQ(bench.panels.text[StatusPanels::Progress], "100 % complete");
}

}  // namespace
}  // namespace velmor
