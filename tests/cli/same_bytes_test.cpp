// velmor-merge writes exactly the bytes the window saves for the same
// sources, whether the text goes to standard output, through -o or comes in
// on standard input, and however the sources' line ends and pieces fall.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "merge_program.h"
#include "temp_dir.h"
#include "window_merge.h"

namespace velmor {
namespace {

using namespace std::string_literals;
using testing::Invocation;
using testing::Outcome;
using testing::TempDir;

constexpr std::size_t MiB = 1024 * 1024;

// Several MiB of lines with every line-end style by stretches; a CR LF
// falls across each multiple of `boundary` (where a reading piece ends),
// and the last line ends with a lone CR.
std::string largeMixedSource(std::size_t size, std::size_t boundary)
{
    const char* ends[] = {"\r\n", "\n", "\r", "\n\r"};
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        const std::size_t next = (text.size() / boundary + 1) * boundary;
        if (text.size() + 64 > next) {
            text.resize(next - 1, 'x');
            text += "\r\n";  // CR ends one piece, LF starts the next
            continue;
        }
        text += "[Event \"game " + std::to_string(line) + "\"] \x80\xFF\t\x1A";
        text += ends[line / 1000 % 4];
    }
    return text + "\r";
}

class SameBytesTest : public ::testing::Test {
protected:
    std::vector<std::string> writeSources()
    {
        const std::vector<std::pair<std::string, std::string>> sources{
            {"crlf.pgn", "a\r\nb\r\n"},
            {"no-final-end.pgn", "a\r\nb"},
            {"cr.pgn", "a\rb\r"},
            {"lf.pgn", "a\nb\n"},
            {"lf-cr.pgn", "a\n\rb"},
            {"cr-cr-lf.pgn", "a\r\r\nb"},
            {"empty.pgn", ""},
            {"line-end-only.pgn", "\r\n"},
            {"nul-padding.pgn", "a\r\nb\0\0\0"s},
            {"only-nuls.pgn", "\0\0"s},
            {"long-nul-padding.pgn", "game\n" + std::string(5 * MiB, '\0')},
            {"large-mixed.pgn", largeMixedSource(9 * MiB, 4 * MiB)},
        };
        std::vector<std::string> paths;
        for (const auto& [name, bytes] : sources)
            paths.push_back(dir.write(name, bytes));
        return paths;
    }

    TempDir dir;
};

TEST_F(SameBytesTest, StandardOutputAndTargetHoldTheWindowsText)
{
    const std::vector<std::string> sources = writeSources();
    const std::string expected = testing::windowMerge(sources);
    ASSERT_GT(expected.size(), 9 * MiB);

    const Outcome toOutput = testing::runMerge(sources);
    EXPECT_EQ(toOutput.status, 0) << toOutput.err;
    EXPECT_TRUE(toOutput.out == expected) << "standard output differs from the window's text";

    std::vector<std::string> args{"-q", "-o", dir.path("target.pgn")};
    args.insert(args.end(), sources.begin(), sources.end());
    const Outcome toTarget = testing::runMerge(args);
    EXPECT_EQ(toTarget.status, 0) << toTarget.err;
    EXPECT_EQ(toTarget.out, "");
    EXPECT_TRUE(TempDir::read(dir.path("target.pgn")) == expected) << "the target differs";
}

TEST_F(SameBytesTest, StandardInputIsOneMoreSourceWhereverItStands)
{
    const std::vector<std::string> sources = writeSources();
    const std::string& large = sources.back();
    const std::string expected = testing::windowMerge({sources[0], large, sources[1]});

    Invocation piped{{sources[0], "-", sources[1]}};
    piped.piped = TempDir::read(large);
    const Outcome fromPipe = testing::runMerge(piped);
    EXPECT_EQ(fromPipe.status, 0) << fromPipe.err;
    EXPECT_TRUE(fromPipe.out == expected) << "a source from a pipe differs";

    Invocation redirected{{sources[0], "-", sources[1]}};
    redirected.inputFile = large;
    const Outcome fromFile = testing::runMerge(redirected);
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_TRUE(fromFile.out == expected) << "a source redirected from a file differs";
}

// People add this week's games to their collection in place.
TEST_F(SameBytesTest, TargetMayBeOneOfTheSources)
{
    const std::string collection = dir.write("all.pgn", "old\r\n\r\n");
    const std::string week = dir.write("week.pgn", "new\n");
    const std::string expected = testing::windowMerge({collection, week});

    const Outcome outcome = testing::runMerge({"-o", collection, collection, week});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(collection), expected);
}

}  // namespace
}  // namespace velmor
