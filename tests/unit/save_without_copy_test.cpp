// A save onto the merged text's own file system hands the store's file over
// as the target. From then on that file is the user's: nothing the store
// does later may change it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "errors.h"
#include "merged_text_store.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using testing::TempDir;

struct stat statOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// Whether one of this process's open files is the file now at `path`: the
// sign that a save handed the store's own file over instead of copying it.
bool isOpenHere(const std::string& path)
{
    const struct stat wanted = statOf(path);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) == 0 && st.st_dev == wanted.st_dev && st.st_ino == wanted.st_ino)
            return true;
    }
    return false;
}

std::string folderOf(const TempDir& dir)
{
    return std::filesystem::path(dir.path("x")).parent_path().string();
}

void appendInPlace(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// The store's file lives beside the targets, so every first save of a text
// can hand it over.
struct SaveBench {
    TempDir dir;
    MergedTextStore store{std::nullopt, folderOf(dir)};
    std::string text() const { return std::string(store.bytes(0, store.size())); }
};

TEST(SaveWithoutCopyTest, ResetAndTheNextMergeLeaveTheSavedFileAlone)
{
    SaveBench bench;
    bench.store.Append(Block("a\r\nb\r\n"));
    const std::string first = bench.text();
    const std::string target1 = bench.dir.path("first.pgn");
    bench.store.SaveToFile(target1);
    ASSERT_TRUE(isOpenHere(target1)) << "the first save should hand the file over";

    bench.store.Clear();
    EXPECT_EQ(TempDir::read(target1), first) << "the reset emptied the saved target";
    EXPECT_FALSE(isOpenHere(target1));

    bench.store.Append(Block("c"));
    const std::string second = bench.text();
    const std::string target2 = bench.dir.path("second.pgn");
    bench.store.SaveToFile(target2);
    EXPECT_TRUE(isOpenHere(target2)) << "a new text, a new file to hand over";
    bench.store.Clear();
    EXPECT_EQ(TempDir::read(target1), first);
    EXPECT_EQ(TempDir::read(target2), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folderOf(bench.dir)), {}), 2)
        << "nothing left beside the targets";
}

TEST(SaveWithoutCopyTest, OneTextSavedTwiceGivesTwoIndependentFiles)
{
    SaveBench bench;
    bench.store.Append(Block("[Event \"x\"]\r\n1. e4 *"));
    const std::string text = bench.text();
    const std::string handedOver = bench.dir.path("one.pgn");
    const std::string copied = bench.dir.path("two.pgn");
    bench.store.SaveToFile(handedOver);
    bench.store.SaveToFile(copied);
    EXPECT_NE(statOf(handedOver).st_ino, statOf(copied).st_ino) << "two names of one file";
    EXPECT_EQ(TempDir::read(copied), text);

    appendInPlace(copied, "changed");
    EXPECT_EQ(TempDir::read(handedOver), text);
    EXPECT_EQ(bench.text(), text);
    appendInPlace(handedOver, "also changed");
    EXPECT_EQ(TempDir::read(copied), text + "changed");
}

// Growing or failing to grow a text whose file was handed over must not
// touch the saved target either.
TEST(SaveWithoutCopyTest, AppendAfterTheSaveStartsANewFile)
{
    TempDir dir;
    MergedTextStore store(20, folderOf(dir));
    store.Append(Block("abc"));  // 7 bytes
    const std::string target = dir.path("saved.pgn");
    store.SaveToFile(target);
    ASSERT_TRUE(isOpenHere(target));

    EXPECT_THROW(store.Append(Block(std::string(20, 'x'))), EOutOfResources);
    store.Append(Block("de"));
    EXPECT_EQ(std::string(store.bytes(0, store.size())), "abc\r\n\r\nde\r\n\r\n");
    EXPECT_EQ(TempDir::read(target), "abc\r\n\r\n");
    EXPECT_FALSE(isOpenHere(target));
}

TEST(SaveWithoutCopyTest, TheHandedOverFileTakesTheTargetsAttributes)
{
    SaveBench bench;
    bench.store.Append(Block("x"));
    const std::string existing = bench.dir.write("existing.pgn", "old");
    ::chmod(existing.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root)
        (void)!::chown(existing.c_str(), 65534, 65534);
    bench.store.SaveToFile(existing);
    ASSERT_TRUE(isOpenHere(existing));
    EXPECT_EQ(statOf(existing).st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(statOf(existing).st_uid, 65534u) << "the owner is kept";
    }

    bench.store.Clear();
    bench.store.Append(Block("y"));
    const mode_t oldMask = ::umask(027);
    bench.store.SaveToFile(bench.dir.path("fresh.pgn"));
    ::umask(oldMask);
    ASSERT_TRUE(isOpenHere(bench.dir.path("fresh.pgn")));
    EXPECT_EQ(statOf(bench.dir.path("fresh.pgn")).st_mode & 07777, 0640u) << "0666 less the umask";
}

}  // namespace
}  // namespace velmor
