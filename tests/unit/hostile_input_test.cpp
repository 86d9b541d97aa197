// Hostile sources and targets: every case ends with a clear message or a
// correct result, the workflow stays usable, and no byte is lost or changed
// where it should not be.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <thread>

#include "fakes.h"
#include "merge_workflow.h"
#include "huge_source.h"
#include "merged_text_store.h"
#include "ordinary_user.h"
#include "small_disk.h"
#include "socket_file.h"
#include "temp_dir.h"
#include "watchdog.h"

namespace velmor {
namespace {

using namespace std::string_literals;
using testing::TempDir;

bool runningAsRoot() { return ::geteuid() == 0; }

// A workflow over the real file-backed merged text.
struct Bench : testing::FakeControls {
    TempDir dir;
    std::optional<ByteCount> capacity;
    MergeWorkflow::SourceOpener opener = MergeWorkflow::openSource;
    std::unique_ptr<MergedTextStore> text;

    MergeWorkflow workflow()
    {
        if (!text)
            text = std::make_unique<MergedTextStore>(capacity);
        return MergeWorkflow(parts(*text), opener);
    }
    std::string merged() const { return std::string(text->bytes(0, text->size())); }

    // Runs a command; returns the message of the error it ended with.
    template <typename Command>
    std::string errorOf(Command command)
    {
        try {
            command();
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }
};

struct SourceCase {
    const char* name;
    // Prepares the middle one of three sources; returns its path as listed.
    std::function<std::string(Bench&)> prepare;
    // Either the message the run ends with ("%s": the middle path) ...
    const char* message;
    // ... or, when the message is empty, the middle source's block.
    std::string block;
    // Runs after the sources are listed and before the run starts.
    std::function<void(Bench&, const std::string&)> beforeRun = nullptr;
};

const std::string longLine(64u << 20, 'e');

std::vector<SourceCase> sourceCases()
{
    return {
        {"missing", [](Bench& b) { return b.dir.path("missing.pgn"); }, "Cannot open file %s", ""},
        {"a folder", [](Bench& b) {
             ::mkdir(b.dir.path("d.pgn").c_str(), 0700);
             return b.dir.path("d.pgn");
         }, "Cannot open file %s", ""},
        {"a FIFO", [](Bench& b) {
             ::mkfifo(b.dir.path("f.pgn").c_str(), 0600);
             return b.dir.path("f.pgn");
         }, "Cannot open file %s", ""},
        {"/dev/zero", [](Bench&) { return "/dev/zero"s; }, "Cannot open file %s", ""},
        {"a socket", [](Bench& b) { return testing::bindSocket(b.dir.path("s")); }, "Cannot open file %s", ""},
        {"deleted after it was added", [](Bench& b) { return b.dir.write("gone.pgn", "x"); },
         "Cannot open file %s", "",
         [](Bench&, const std::string& path) { ::unlink(path.c_str()); }},
        {"replaced after it was added", [](Bench& b) { return b.dir.write("swap.pgn", "old"); }, "",
         "new\r\n", [](Bench& b, const std::string& path) {
             ::rename(b.dir.write("other.pgn", "new").c_str(), path.c_str());
         }},
        {"0 bytes", [](Bench& b) { return b.dir.write("empty.pgn", ""); }, "", ""},
        {"a 64 MB line without line end", [](Bench& b) { return b.dir.write("long.pgn", longLine); }, "",
         longLine + "\r\n"},
        {"NUL inside text", [](Bench& b) { return b.dir.write("nul.pgn", "a\0b"s); },
         "File %s is not an 8-bit text file", ""},
        {"NUL padding at the end", [](Bench& b) { return b.dir.write("pad.pgn", "a\n\0\0"s); }, "", "a\r\n"},
        {"UTF-16 LE with BOM", [](Bench& b) { return b.dir.write("le.pgn", "\xFF\xFE[\0E\0\r\0\n\0"s); },
         "File %s is not an 8-bit text file", ""},
        {"UTF-16 BE with BOM", [](Bench& b) { return b.dir.write("be.pgn", "\xFE\xFF\0[\0E\0\r\0\n"s); },
         "File %s is not an 8-bit text file", ""},
        {"high bytes, 0x1A and tabs", [](Bench& b) { return b.dir.write("hi.pgn", "\x80\xE4\xFF\x1A\t\n"s); },
         "", "\x80\xE4\xFF\x1A\t\r\n"s},
        {"name with %s %1 %n", [](Bench& b) { return b.dir.write("100%s %1 %n.pgn", "p"); }, "", "p\r\n"},
        {"name with quotes and a leading dash", [](Bench& b) { return b.dir.write("-\"it's\".pgn", "q"); },
         "", "q\r\n"},
        {"name that is not UTF-8", [](Bench& b) { return b.dir.write("K\xF6nig\xFF.pgn", "k"); }, "", "k\r\n"},
        {"missing, name that is not UTF-8 and looks like a format",
         [](Bench& b) { return b.dir.path("%s%n \xFF.pgn"); }, "Cannot open file %s", ""},
    };
}

TEST(HostileInputTest, SourcesEndInAClearMessageOrAnExactBlock)
{
    testing::Watchdog watchdog("a merge run over hostile sources");
    for (const auto& c : sourceCases()) {
        Bench bench;
        const auto first = bench.dir.write("first.pgn", "1");
        const auto middle = c.prepare(bench);
        const auto last = bench.dir.write("last.pgn", "3");
        bench.list.entries = {first, middle, last};
        if (c.beforeRun)
            c.beforeRun(bench, middle);

        const std::string error = bench.errorOf([&] { bench.workflow().btnStartClick(); });

        if (*c.message) {
            EXPECT_EQ(error, withPath(c.message, middle)) << c.name;
            EXPECT_EQ(bench.merged(), "1\r\n\r\n") << c.name;
            EXPECT_TRUE(bench.messages.shown.empty()) << c.name;
            EXPECT_EQ(bench.panels.text[StatusPanels::Progress], "67 % complete") << c.name;
        } else {
            EXPECT_EQ(error, "") << c.name;
            EXPECT_TRUE(bench.merged() == "1\r\n\r\n" + c.block + "\r\n3\r\n\r\n") << c.name;
            EXPECT_EQ(bench.messages.shown, std::vector<std::string>{"Import successful"}) << c.name;
        }
        // Still usable: the same list merges again once the bad entry is gone.
        bench.list.entries = {first, last};
        EXPECT_NO_THROW(bench.workflow().btnStartClick()) << c.name;
        EXPECT_EQ(bench.merged(), "1\r\n\r\n3\r\n\r\n") << c.name;
    }
}

// A source that grows or shrinks while it is read gives the block of some
// state the file was in: never garbage, a crash or a hang.
TEST(HostileInputTest, SourceChangingWhileReadGivesAConsistentBlock)
{
    testing::Watchdog watchdog("merging a changing source");
    Bench bench;
    const auto path = bench.dir.write("moving.pgn", "");
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int round = 0; !stop; ++round) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
            for (int i = 0; i < 200 && !stop; ++i)
                (void)!::write(fd, "ab\n", 3);
            if (round % 3 == 2)
                (void)!::ftruncate(fd, 3 * (round % 7));
            ::close(fd);
        }
    });
    bench.list.entries = {path};
    for (int i = 0; i < 200; ++i) {
        ASSERT_NO_THROW(bench.workflow().btnStartClick());
        const std::string merged = bench.merged();
        // Only bytes the writer wrote, and the block still ends with CR LF.
        ASSERT_EQ(merged.substr(merged.size() - 2), "\r\n");
        ASSERT_EQ(merged.find_first_not_of("ab\r\n"), std::string::npos);
    }
    stop = true;
    writer.join();
}

struct TargetCase {
    const char* name;
    // Prepares the target; returns its path.
    std::function<std::string(Bench&)> prepare;
    const char* message;  // "%s": the target path
};

TEST(HostileInputTest, FailedSaveKeepsTheWorkAndTheOldTarget)
{
    const TargetCase cases[] = {
        {"missing folder", [](Bench& b) { return b.dir.path("no/such/folder/t.pgn"); }, "Cannot create file %s"},
        {"a folder", [](Bench& b) {
             ::mkdir(b.dir.path("t.pgn").c_str(), 0700);
             return b.dir.path("t.pgn");
         }, "Cannot create file %s"},
        {"below a regular file", [](Bench& b) { return b.dir.write("plain", "p") + "/t.pgn"; },
         "Cannot create file %s"},
    };
    for (const auto& c : cases) {
        Bench bench;
        const std::string target = c.prepare(bench);
        bench.list.entries = {bench.dir.write("s.pgn", "s")};
        bench.list.selected = 0;
        bench.workflow().btnStartClick();
        bench.saveDialog.nextChoice = target;
        EXPECT_EQ(bench.errorOf([&] { bench.workflow().btnSaveClick(); }), withPath(c.message, target)) << c.name;
        EXPECT_EQ(bench.merged(), "s\r\n\r\n") << c.name;
        EXPECT_EQ(bench.list.entries.size(), 1u) << c.name;
        EXPECT_EQ(bench.list.selected, 0) << c.name;
        EXPECT_EQ(bench.panels.text[StatusPanels::Progress], "100 % complete") << c.name;
    }
}

// Permission rows run as an ordinary user even when the tests run as root.
std::string permissionProblems()
{
    std::string problems;
    auto expect = [&problems](bool ok, const char* what) {
        if (!ok)
            problems += std::string(what) + "\n";
    };
    {
        Bench bench;
        const auto locked = bench.dir.write("locked.pgn", "x");
        ::chmod(locked.c_str(), 0);
        bench.list.entries = {locked};
        expect(bench.errorOf([&] { bench.workflow().btnStartClick(); }) == "Cannot open file " + locked,
               "an unreadable source fails to open");
    }
    // A read-only folder without the target; a read-only target in a
    // writable folder.
    for (const bool folderReadOnly : {true, false}) {
        Bench bench;
        ::mkdir(bench.dir.path("ro").c_str(), 0700);
        const auto target = bench.dir.path("ro/t.pgn");
        if (!folderReadOnly) {
            bench.dir.write("ro/t.pgn", "old");
            ::chmod(target.c_str(), 0444);
        }
        bench.list.entries = {bench.dir.write("s.pgn", "s")};
        bench.workflow().btnStartClick();
        if (folderReadOnly)
            ::chmod(bench.dir.path("ro").c_str(), 0500);
        bench.saveDialog.nextChoice = target;
        const bool refused = bench.errorOf([&] { bench.workflow().btnSaveClick(); }) == "Cannot create file " + target;
        ::chmod(bench.dir.path("ro").c_str(), 0700);
        const std::string left = folderReadOnly ? std::to_string(access(target.c_str(), F_OK)) : TempDir::read(target);
        expect(refused && left == (folderReadOnly ? "-1" : "old") && bench.merged() == "s\r\n\r\n" &&
                   bench.list.entries.size() == 1,
               folderReadOnly ? "read-only folder" : "read-only file");
    }
    return problems;
}

TEST(HostileInputTest, PermissionDeniedEndsWithAMessageAndKeepsEverything)
{
    const auto problems = testing::asOrdinaryUser(permissionProblems);
    if (!problems)
        GTEST_SKIP() << "running as root and cannot switch to an ordinary user";
    EXPECT_EQ(*problems, "");
}

TEST(HostileInputTest, SaveOnAFullDiskKeepsTheOldTarget)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "mounting a small file system needs root; the target writer's tests cover a writer "
                        "that fails mid-way";
    Bench bench;
    testing::SmallDisk disk(bench.dir.path("small"));
    if (!disk.mounted())
        GTEST_SKIP() << "could not mount a tmpfs here";
    std::cout << "[ info     ] full disk: a 64 KiB tmpfs\n";
    const auto target = bench.dir.write("small/t.pgn", "old content");
    bench.list.entries = {bench.dir.write("big.pgn", std::string(1 << 20, 'x'))};
    bench.workflow().btnStartClick();
    bench.saveDialog.nextChoice = target;
    EXPECT_EQ(bench.errorOf([&] { bench.workflow().btnSaveClick(); }), "Failed to Save Stream");
    EXPECT_EQ(TempDir::read(target), "old content");
    EXPECT_EQ(bench.merged().size(), (1u << 20) + 4);
    EXPECT_EQ(bench.list.entries.size(), 1u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(bench.dir.path("small")))
        ++files;
    EXPECT_EQ(files, 1) << "the unfinished new file must be removed";
}

TEST(HostileInputTest, SaveOverASourceOrThroughALinkWritesTheMergedText)
{
    Bench bench;
    const auto a = bench.dir.write("a.pgn", "a");
    const auto b = bench.dir.write("b.pgn", "b");
    const auto real = bench.dir.write("real.pgn", "old");
    ::symlink(real.c_str(), bench.dir.path("link.pgn").c_str());
    bench.list.entries = {a, b};
    bench.workflow().btnStartClick();
    bench.saveDialog.nextChoice = a;  // the merged text is already held, so the source may go
    bench.workflow().btnSaveClick();
    EXPECT_EQ(TempDir::read(a), "a\r\n\r\nb\r\n\r\n");

    bench.list.entries = {a};
    bench.workflow().btnStartClick();
    bench.saveDialog.nextChoice = bench.dir.path("link.pgn");
    bench.workflow().btnSaveClick();
    struct stat link {};
    ASSERT_EQ(::lstat(bench.dir.path("link.pgn").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(TempDir::read(real), "a\r\n\r\nb\r\n\r\n\r\n");
}

TEST(HostileInputTest, MemoryLimitsEndTheRunWithAMessage)
{
    {
        Bench bench;
        bench.capacity = 10;
        bench.list.entries = {bench.dir.write("a.pgn", "abc"), bench.dir.write("b.pgn", "defg")};
        EXPECT_EQ(bench.errorOf([&] { bench.workflow().btnStartClick(); }), "RichEdit line insertion error");
        EXPECT_EQ(bench.merged(), "abc\r\n\r\n");  // the text from before the append
    }
    {
        Bench bench;
        const auto path = bench.dir.write("a.pgn", "abc");
        bench.opener = [](const std::string&, SourceReader&) { throw std::bad_alloc(); };
        bench.list.entries = {path};
        EXPECT_EQ(bench.errorOf([&] { bench.workflow().btnStartClick(); }), "Out of memory");
    }
}

TEST(HostileInputTest, SourcesLargerThanMemoryAreDecidedWithoutReadingTheirHoles)
{
    testing::Watchdog watchdog("a merge run over 1 TiB sparse sources");
    Bench bench;
    const auto holes = bench.dir.path("holes.pgn");
    const auto text = bench.dir.path("text.pgn");
    const auto binary = bench.dir.path("binary.pgn");
    ASSERT_TRUE(testing::makeHugeSource(holes));
    ASSERT_TRUE(testing::makeHugeSource(text, "[Event \"x\"]\n"));
    ASSERT_TRUE(testing::makeHugeSource(binary, "x", testing::hugeSourceSize - 5));
    bench.list.entries = {holes, text, binary};
    EXPECT_EQ(bench.errorOf([&] { bench.workflow().btnStartClick(); }), withPath(messages::notText, binary));
    EXPECT_EQ(bench.merged(), "\r\n[Event \"x\"]\r\n\r\n");
}

}  // namespace
}  // namespace velmor
