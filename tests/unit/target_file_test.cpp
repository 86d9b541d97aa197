#include "target_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "errors.h"
#include "merged_text_store.h"
#include "ordinary_user.h"
#include "small_disk.h"
#include "socket_file.h"
#include "temp_dir.h"
#include "watchdog.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// Every entry below `folder` with the file contents and link targets, to
// show that a failed save left nothing behind and changed nothing.
std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto& path = entry.path();
        if (entry.is_symlink())
            entries[path.string()] = "-> " + fs::read_symlink(path).string();
        else if (entry.is_regular_file())
            entries[path.string()] = TempDir::read(path.string());
        else
            entries[path.string()] = "folder";
    }
    return entries;
}

std::string folderOf(const TempDir& dir)
{
    return fs::path(dir.path("x")).parent_path().string();
}

ContentWriter writing(const std::string& bytes)
{
    return [bytes](int fd) { return ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()); };
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// 8-bit bytes, lines of CR LF and an empty line after each block.
void fill(MergedTextStore& store)
{
    store.Append(Block("[Event \"Caf\xE9\"]\r\n1. e4 e5 \xFF\x80 *\r\n"));
    store.Append(Block("second"));
}

TEST(TargetFileTest, SavesTheExactBytesWhateverTheExtension)
{
    TempDir dir;
    MergedTextStore store;
    fill(store);
    const std::string text(store.bytes(0, store.size()));
    for (const char* name : {"games.txt", "games.rtf", "games.pgn", "games.other", "games"}) {
        store.SaveToFile(dir.path(name));
        EXPECT_EQ(TempDir::read(dir.path(name)), text) << name;
    }
    EXPECT_EQ(std::string(store.bytes(0, store.size())), text) << "saving leaves the text as it was";
    EXPECT_EQ(snapshot(folderOf(dir)).size(), 5u) << "no temporary file left";
}

TEST(TargetFileTest, ReplacesAnExistingFileAndKeepsItsPermissionBits)
{
    TempDir dir;
    const std::string target = dir.write("games.pgn", "a much longer old content than the new one\r\n");
    ::chmod(target.c_str(), 0640);

    writeTargetFile(target, writing("new\r\n"));
    EXPECT_EQ(TempDir::read(target), "new\r\n");
    EXPECT_EQ(modeOf(target), 0640u);

    const mode_t oldMask = ::umask(027);
    writeTargetFile(dir.path("fresh.pgn"), writing("x"));
    ::umask(oldMask);
    EXPECT_EQ(modeOf(dir.path("fresh.pgn")), 0640u) << "a new file gets 0666 less the umask";
}

TEST(TargetFileTest, ALinkStaysAndTheFileItLeadsToIsReplaced)
{
    TempDir dir;
    fs::create_directory(dir.path("sub"));
    dir.write("sub/real.pgn", "old");
    fs::create_symlink("sub/real.pgn", dir.path("relative"));
    fs::create_symlink(dir.path("relative"), dir.path("chain"));  // absolute, to a link
    fs::create_symlink("sub/new.pgn", dir.path("dangling"));

    writeTargetFile(dir.path("chain"), writing("via chain"));
    EXPECT_EQ(TempDir::read(dir.path("sub/real.pgn")), "via chain");
    writeTargetFile(dir.path("dangling"), writing("via dangling"));
    EXPECT_EQ(TempDir::read(dir.path("sub/new.pgn")), "via dangling");

    const auto after = snapshot(folderOf(dir));
    EXPECT_EQ(after.at(dir.path("relative")), "-> sub/real.pgn");
    EXPECT_EQ(after.at(dir.path("chain")), "-> " + dir.path("relative"));
    EXPECT_EQ(after.at(dir.path("dangling")), "-> sub/new.pgn");
    EXPECT_EQ(after.size(), 6u) << "no temporary file left";
}

// Cases that fail for every user, root included.
TEST(TargetFileTest, WhereNoFileCanBeCreatedNothingIsWritten)
{
    TempDir dir;
    fs::create_directory(dir.path("folder"));
    dir.write("folder/inside.pgn", "keep");
    dir.write("plain.pgn", "keep too");
    fs::create_symlink("loop2", dir.path("loop1"));
    fs::create_symlink("loop1", dir.path("loop2"));
    const std::string paths[] = {
        dir.path("missing \xE9 %s %n/games.pgn"),  // 8-bit, and no format
        dir.path("folder"),
        dir.path("folder") + "/",
        dir.path("plain.pgn/games.pgn"),
        dir.path("loop1"),
        "",
    };
    const auto before = snapshot(folderOf(dir));
    for (const std::string& path : paths) {
        try {
            writeTargetFile(path, writing("new"));
            ADD_FAILURE() << "saved to " << path;
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.what(), "Cannot create file " + path);
        }
        EXPECT_EQ(snapshot(folderOf(dir)), before) << path;
    }
}

struct PermissionCase {
    const char* name;
    bool fileExists;
    mode_t fileMode;
    mode_t folderMode;
    bool written;  // else "Cannot create file"
};

std::string checkPermissionCase(const PermissionCase& c)
{
    TempDir dir;
    const std::string target = dir.path("games.pgn");
    const std::string old = "old, and longer than the new";  // an overwrite in place must cut it
    if (c.fileExists) {
        dir.write("games.pgn", old);
        ::chmod(target.c_str(), c.fileMode);
    }
    ::chmod(folderOf(dir).c_str(), c.folderMode);
    std::string outcome;
    try {
        writeTargetFile(target, writing("new"));
        outcome = "written";
    } catch (const EFCreateError& e) {
        outcome = e.what() == "Cannot create file " + target ? "cannot create" : e.what();
    }
    ::chmod(folderOf(dir).c_str(), 0700);
    const std::string content = fs::exists(target) ? TempDir::read(target) : "(none)";
    const std::string expected = c.written ? "written" : "cannot create";
    const std::string expectedContent = c.written ? "new" : c.fileExists ? old : "(none)";
    if (outcome == expected && content == expectedContent && snapshot(folderOf(dir)).size() <= 1)
        return "";
    return std::string(c.name) + ": " + outcome + ", content " + content + "\n";
}

TEST(TargetFileTest, PermissionsDecideBetweenReplacingOverwritingAndRefusing)
{
    const PermissionCase cases[] = {
        {"read-only folder, no file", false, 0, 0555, false},
        {"read-only folder, writable file (written in place)", true, 0644, 0555, true},
        {"writable folder, read-only file", true, 0444, 0755, false},
        {"read-only folder, read-only file", true, 0444, 0555, false},
    };
    const auto problems = testing::asOrdinaryUser([&cases] {
        std::string all;
        for (const auto& c : cases)
            all += checkPermissionCase(c);
        return all;
    });
    if (!problems)
        GTEST_SKIP() << "running as root and cannot switch to an ordinary user";
    EXPECT_EQ(*problems, "");
}

TEST(TargetFileTest, WriteThatBreaksOffKeepsTheOldTarget)
{
    TempDir dir;
    testing::SmallDisk disk(dir.path("disk"));
    const std::string target = dir.write("disk/games.pgn", "old content");
    const auto before = snapshot(folderOf(dir));
    try {
        if (disk.mounted()) {
            MergedTextStore store;
            store.Append(Block(std::string(200000, 'z')));
            store.SaveToFile(target);
        } else {
            writeTargetFile(target, [](int fd) {
                (void)!::write(fd, "partial", 7);
                return false;  // as a write refused half-way
            });
        }
        ADD_FAILURE() << "the save should break off";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Failed to Save Stream");
    }
    const char* how = disk.mounted() ? "full 64 KiB tmpfs" : "injected failing writer";
    RecordProperty("break_off", how);
    std::cout << "[ break-off ] " << how << "\n";
    EXPECT_EQ(snapshot(folderOf(dir)), before) << "old target kept, temporary file removed";
}

TEST(TargetFileTest, WriterExceptionPassesThroughAndLeavesNothing)
{
    TempDir dir;
    const std::string target = dir.write("games.pgn", "old content");
    const auto before = snapshot(folderOf(dir));
    EXPECT_THROW(writeTargetFile(target, [](int) -> bool { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_EQ(snapshot(folderOf(dir)), before);
}

TEST(TargetFileTest, KillDuringSaveKeepsTheOldTarget)
{
    TempDir dir;
    const std::string target = dir.write("games.pgn", "old content");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        writeTargetFile(target, [&ready](int fd) {
            const bool wrote = ::write(fd, "half of the new", 15) == 15;
            (void)!::write(ready[1], "w", 1);  // the new text is half written
            for (;;)
                ::pause();
            return wrote;
        });
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1) << "the child died before writing";
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(TempDir::read(target), "old content");
    EXPECT_EQ(snapshot(folderOf(dir)).size(), 1u) << "the unfinished new file must leave no trace";
}

// What a save to `path` ends with: "written" or the error's message.
std::string outcomeOf(const std::string& path, const std::string& bytes)
{
    try {
        writeTargetFile(path, TargetContent{bytes.size(), writing(bytes)});
        return "written";
    } catch (const Exception& e) {
        return e.what();
    }
}

TEST(TargetFileTest, TargetsThatCouldBlockAnswerAtOnce)
{
    testing::Watchdog watchdog("a save to a FIFO, socket or device");
    TempDir dir;
    const std::string fifo = dir.path("fifo.pgn");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::symlink(fifo.c_str(), dir.path("to-fifo.pgn").c_str());
    const std::string socket = testing::bindSocket(dir.path("socket.pgn"));
    const std::pair<std::string, std::string> cases[] = {
        {fifo, "Cannot create file " + fifo},
        {dir.path("to-fifo.pgn"), "Cannot create file " + dir.path("to-fifo.pgn")},
        {socket, "Cannot create file " + socket},
        {"/dev/null", "written"},
        {"/dev/full", "Failed to Save Stream"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(outcomeOf(path, "text\r\n\r\n"), expected) << path;
}

// Reads the FIFO until `wanted` bytes came or the writer left; `stopAfter`
// bytes: leaves early.
std::string readFifo(int fd, std::size_t wanted, std::size_t stopAfter)
{
    std::string got;
    char buffer[65536];
    while (got.size() < wanted && got.size() < stopAfter) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 && !got.empty())
            break;  // the writer has gone
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(fd);
    return got;
}

TEST(TargetFileTest, AFifoWithAReaderGetsEveryByteAndOneThatLeavesBreaksTheSaveOff)
{
    testing::Watchdog watchdog("a save to a FIFO being read");
    TempDir dir;
    const std::string fifo = dir.path("fifo.pgn");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    MergedTextStore store;
    store.Append(Block(std::string(1 << 20, 'f')));  // far more than a pipe holds
    const std::string text(store.bytes(0, store.size()));
    for (const std::size_t stopAfter : {text.size(), std::size_t{1000}}) {
        const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(readEnd, 0);
        ::fcntl(readEnd, F_SETFL, 0);
        std::string got;
        std::thread reader([&] { got = readFifo(readEnd, text.size(), stopAfter); });
        std::string outcome = "written";
        try {
            store.SaveToFile(fifo);
        } catch (const Exception& e) {
            outcome = e.what();
        }
        reader.join();
        if (stopAfter == text.size()) {
            EXPECT_EQ(outcome, "written");
            EXPECT_TRUE(got == text) << got.size() << " bytes read";
        } else {
            EXPECT_EQ(outcome, "Failed to Save Stream") << "and no SIGPIPE ended the program";
        }
    }
}

// Where the folder takes no new file the target is written in place; on a
// full disk it must keep every byte, and where the space suffices it takes
// exactly the new text.
std::string checkInPlaceOnSmallDisk(const std::string& folder, const std::string& target, const std::string& old)
{
    std::string problems;
    MergedTextStore store;
    store.Append(Block(std::string(200000, 'z')));  // three times the disk
    try {
        store.SaveToFile(target);
        problems += "a text larger than the disk was saved\n";
    } catch (const EOutOfResources& e) {
        if (std::string(e.what()) != "Failed to Save Stream")
            problems += std::string("message: ") + e.what() + "\n";
    }
    if (TempDir::read(target) != old)
        problems += "the old target was changed: " + std::to_string(TempDir::read(target).size()) + " bytes\n";
    store.Clear();
    store.Append(Block("short"));
    store.SaveToFile(target);
    if (TempDir::read(target) != "short\r\n\r\n")
        problems += "in place: " + TempDir::read(target).substr(0, 40) + "\n";
    if (snapshot(folder).size() != 1)
        problems += "files left beside the target\n";
    return problems;
}

TEST(TargetFileTest, InPlaceWritingOnAFullDiskKeepsTheOldTarget)
{
    TempDir dir;
    testing::SmallDisk disk(dir.path("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    std::string old;
    for (int line = 0; line < 500; ++line)
        old += "old line " + std::to_string(line) + "\r\n";
    const std::string target = dir.write("disk/games.pgn", old);
    // An ordinary user's target in a folder that takes no new file.
    ::chmod(folderOf(dir).c_str(), 0711);
    (void)!::chown(target.c_str(), 65534, 65534);
    ::chmod(dir.path("disk").c_str(), 0555);
    const auto problems =
        testing::asOrdinaryUser([&] { return checkInPlaceOnSmallDisk(dir.path("disk"), target, old); });
    ::chmod(dir.path("disk").c_str(), 0755);
    ASSERT_TRUE(problems) << "cannot switch to an ordinary user";
    EXPECT_EQ(*problems, "");
}

}  // namespace
}  // namespace velmor
