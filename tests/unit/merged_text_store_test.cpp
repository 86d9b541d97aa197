#include "merged_text_store.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

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

// Long lines are indexed one by one; a failed append must take back its
// long lines too, or the lines after them would be looked for in the wrong
// place.
TEST(MergedTextStoreTest, FailedAppendTakesBackItsLongLines)
{
    const std::string longLine(100'000, 'L');
    MergedTextStore store(300'000);
    store.Append(Block("a\n" + longLine + "\nb\n"));
    const std::string before = allText(store);
    EXPECT_THROW(store.Append(Block("c\n" + longLine + "\n" + longLine + "\nd\n")), EOutOfResources);
    expectIndexMatches(store, before);
    store.Append(Block(longLine.substr(0, 70'000) + "\ne\n"));
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

// Also where the text cannot be mapped whole and is read through windows of
// a few pages: every byte and line start stays readable, and a view longer
// than a window is a correct prefix of what was asked for.
TEST(MergedTextStoreTest, LineIndexAndBytesMatchAModelOfARandomText)
{
    const ByteCount page = static_cast<ByteCount>(::sysconf(_SC_PAGESIZE));
    for (const ByteCount mappingLimit : {FileMapping::unlimited, 3 * page, (ByteCount{1} << 20) + page}) {
        std::mt19937 random(20240611);
        MergedTextStore store(std::nullopt, {}, mappingLimit);
        std::string expected;
        for (int block = 0; block < 40; ++block) {
            const std::string source = randomSource(random, expected);
            store.Append(Block(source));
        }
        ASSERT_EQ(allText(store), expected.substr(0, std::min<ByteCount>(expected.size(), mappingLimit)));
        expectIndexMatches(store, expected);
        for (int probe = 0; probe < 200; ++probe) {
            const ByteOffset offset = random() % (expected.size() + 10);
            const ByteCount length = random() % 100000;
            const std::string_view got = store.bytes(offset, length);
            const std::string want = offset < expected.size() ? expected.substr(offset, length) : "";
            const bool fitsOneWindow = offset % page + length <= mappingLimit;
            ASSERT_EQ(got, fitsOneWindow ? want : want.substr(0, got.size())) << "limit " << mappingLimit;
            ASSERT_EQ(got.empty(), want.empty()) << "limit " << mappingLimit;
        }
    }
}

ByteCount addressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    ByteCount pages = 0;
    statm >> pages;
    return pages * static_cast<ByteCount>(::sysconf(_SC_PAGESIZE));
}

// What a child under a limit on its address space finds: 0 when every byte
// it checked was right, 3 when the limit left room to map the whole text.
int readUnderAddressLimit(const MergedTextStore& store, ByteCount room)
{
    const rlimit limit{addressSpaceInUse() + room, RLIM_INFINITY};
    if (::setrlimit(RLIMIT_AS, &limit) != 0)
        return 2;
    if (void* whole = ::mmap(nullptr, store.size(), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        whole != MAP_FAILED)
        return 3;
    const ByteCount lines = store.lineCount();
    for (const LineNumber line : {LineNumber{0}, lines / 3, lines - 2}) {  // the last is empty
        const ByteOffset start = store.lineStart(line);
        if (store.bytes(start, 8) != std::string(8, static_cast<char>('a' + line % 26)))
            return 1;
    }
    return store.bytes(store.size() - 4, 4) == "\r\n\r\n" ? 0 : 1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif

TEST(MergedTextStoreTest, TextLargerThanTheAddressSpaceLeftStaysReadable)
{
    if (addressSanitizer)
        GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
    constexpr ByteCount room = ByteCount{48} << 20;
    MergedTextStore store;
    std::string lines;
    for (int line = 0; line < 64; ++line)  // 64 lines of 1 MiB: more than the room
        lines += std::string(1 << 20, static_cast<char>('a' + line % 26)) + "\r\n";
    store.Append(Block(lines));
    lines.clear();
    lines.shrink_to_fit();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(readUnderAddressLimit(store, room));
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "the limit did not stop a mapping of the whole text";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong or blank bytes, 2: no limit could be set";
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
