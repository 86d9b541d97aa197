#include "merged_text_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "errors.h"
#include "small_disk.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using testing::TempDir;

std::string allText(const MergedTextStore& store)
{
    return std::string(store.bytes(0, store.size()));
}

// What the index must report for `text`: where each line starts (the last
// entry is the size) and the longest line without its CR LF.
struct LineModel {
    std::vector<ByteOffset> starts{0};
    ByteCount longest = 0;

    explicit LineModel(const std::string& text)
    {
        for (std::size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', lf + 1)) {
            longest = std::max<ByteCount>(longest, lf - 1 - starts.back());
            starts.push_back(lf + 1);
        }
    }
};

void expectIndexMatches(const MergedTextStore& store, const std::string& text)
{
    const LineModel model(text);
    ASSERT_EQ(store.size(), text.size());
    ASSERT_EQ(store.lineCount(), model.starts.size() - 1);
    for (LineNumber line = 0; line < model.starts.size(); ++line)
        ASSERT_EQ(store.lineStart(line), model.starts[line]) << "line " << line;
    EXPECT_EQ(store.longestLine(), model.longest);
}

TEST(MergedTextStoreTest, JoinsBlocksWithAnEmptyLineAfterEach)
{
    MergedTextStore store;
    store.Append(Block("a\r\nb\r\n"));
    store.Append(Block("c\r\n"));

    EXPECT_EQ(allText(store), "a\r\nb\r\n\r\nc\r\n\r\n");
    EXPECT_EQ(store.size(), 13u);
    EXPECT_EQ(store.lineCount(), 5u);
    const std::vector<ByteOffset> starts{0, 3, 6, 8, 11, 13};
    for (LineNumber line = 0; line < starts.size(); ++line)
        EXPECT_EQ(store.lineStart(line), starts[line]) << "line " << line;
    EXPECT_EQ(store.longestLine(), 1u);
    EXPECT_EQ(store.bytes(6, 5), "\r\nc\r\n");
    EXPECT_EQ(store.bytes(11, 100), "\r\n") << "clipped at the end";
    EXPECT_EQ(store.bytes(13, 1), "");
}

TEST(MergedTextStoreTest, EmptyTextAndEmptyBlock)
{
    MergedTextStore store;
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.lineCount(), 0u);
    EXPECT_EQ(store.lineStart(0), 0u);
    EXPECT_EQ(store.bytes(0, 10), "");

    store.Append(Block(""));
    EXPECT_EQ(allText(store), "\r\n");
    EXPECT_EQ(store.lineCount(), 1u);
    EXPECT_EQ(store.lineStart(1), 2u);
    EXPECT_EQ(store.longestLine(), 0u);
}

TEST(MergedTextStoreTest, BlockBeyondCapacityLeavesTheTextExactlyAsItWas)
{
    MergedTextStore store(20);
    int changes = 0;
    store.setChangeListener([&changes] { ++changes; });
    store.Append(Block("a\r\nb\r\n"));
    store.Append(Block("c\r\n"));  // 13 bytes, 7 left
    const std::string before = allText(store);

    // "abcd" CR LF CR LF is 8 bytes: one too many. It is also longer than
    // any line so far, so a leaked index update would show.
    try {
        store.Append(Block("abcd"));
        FAIL() << "the append should not fit";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "RichEdit line insertion error");
    }
    EXPECT_EQ(allText(store), before);
    expectIndexMatches(store, before);
    EXPECT_EQ(changes, 3) << "the listener hears about the failed append too";

    store.Append(Block("abc"));  // exactly fills the capacity
    EXPECT_EQ(allText(store), before + "abc\r\n\r\n");
    expectIndexMatches(store, allText(store));
}

// Lines with every kind of line end, some far longer than the pieces a
// block is written in, over enough lines to cross many index checkpoints.
std::string randomSource(std::mt19937& random, std::string& expected)
{
    const char* const ends[] = {"\r\n", "\n", "\r"};
    const int style = static_cast<int>(random() % 3);  // 0: CR LF only, else mixed
    const auto lineCount = random() % 400;
    std::string source;
    const char* previousEnd = "";
    for (unsigned line = 0; line < lineCount; ++line) {
        const auto length = random() % 150 == 0 ? 70000 + random() % 9000 : random() % 120;
        std::string text(length, 'x');
        for (char& c : text)
            c = static_cast<char>('!' + random() % 90);
        const char* end = style == 0 ? ends[0] : ends[random() % 3];
        // CR then an empty line ended by LF would read as one CR LF.
        if (text.empty() && end == ends[1] && previousEnd == ends[2])
            end = ends[0];
        const bool lastWithoutEnd = line + 1 == lineCount && !text.empty() && random() % 2;
        source += text + (lastWithoutEnd ? "" : end);
        expected += text + "\r\n";
        previousEnd = end;
    }
    expected += "\r\n";
    return source;
}

TEST(MergedTextStoreTest, LineIndexMatchesAModelOfARandomText)
{
    std::mt19937 random(20240611);
    MergedTextStore store;
    std::string expected;
    for (int block = 0; block < 40; ++block) {
        const std::string source = randomSource(random, expected);
        store.Append(Block(source));
    }
    ASSERT_EQ(allText(store), expected);
    expectIndexMatches(store, expected);
    for (int probe = 0; probe < 200; ++probe) {
        const ByteOffset offset = random() % (expected.size() + 10);
        const ByteCount length = random() % 100000;
        EXPECT_EQ(store.bytes(offset, length),
                  offset < expected.size() ? expected.substr(offset, length) : "");
    }
}

TEST(MergedTextStoreTest, ClearEmptiesTheTextAndSavesAnEmptyFile)
{
    TempDir dir;
    const std::string target = dir.write("target.pgn", "old content\r\n");
    MergedTextStore store;
    int changes = 0;
    store.setChangeListener([&changes] { ++changes; });
    store.Append(Block("some line"));

    store.Clear();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.lineCount(), 0u);
    EXPECT_EQ(store.longestLine(), 0u);
    store.SaveToFile(target);
    EXPECT_EQ(TempDir::read(target), "");

    store.Append(Block("x"));  // starts again at the very beginning
    EXPECT_EQ(allText(store), "x\r\n\r\n");
    expectIndexMatches(store, "x\r\n\r\n");
}

TEST(MergedTextStoreTest, FullFileSystemLeavesTheTextExactlyAsItWas)
{
    TempDir dir;
    const std::string folder = dir.path("small");
    testing::SmallDisk disk(folder);
    if (!disk.mounted())
        GTEST_SKIP() << "needs root to mount a small tmpfs; the capacity test covers the rest";
    std::string expected;
    {
        MergedTextStore store(std::nullopt, folder);  // no capacity but the disk's
        const std::string line(10000, 'p');
        try {
            for (int block = 0; block < 100; ++block) {
                store.Append(Block(line));
                expected += line + "\r\n\r\n";
            }
            ADD_FAILURE() << "64 KiB of tmpfs took 1 MB";
        } catch (const EOutOfResources& e) {
            EXPECT_STREQ(e.what(), "RichEdit line insertion error");
        }
        EXPECT_EQ(allText(store), expected);
        expectIndexMatches(store, expected);
        store.Clear();
        store.Append(Block(line));  // the space of the failed append is free again
        store.SaveToFile(dir.path("saved.pgn"));  // from one file system to another
        EXPECT_EQ(TempDir::read(dir.path("saved.pgn")), line + "\r\n\r\n");
    }
}

}  // namespace
}  // namespace velmor
