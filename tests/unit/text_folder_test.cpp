#include "text_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "merged_text_store.h"
#include "small_disk.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using testing::TempDir;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

std::vector<std::string> pathsOf(const std::vector<TextFolder>& folders)
{
    std::vector<std::string> paths;
    for (const TextFolder& folder : folders)
        paths.push_back(folder.path + (folder.createWhenMissing ? " (made when missing)" : ""));
    return paths;
}

TEST(TextFolderTest, CandidatesFollowTmpdirAndTheCacheFolder)
{
    using Paths = std::vector<std::string>;
    {
        ScopedVariable tmpdir("TMPDIR", "/scratch");
        ScopedVariable cache("XDG_CACHE_HOME", "/home/u/cache");
        EXPECT_EQ(pathsOf(textFolderCandidates()),
                  (Paths{"/scratch", "/home/u/cache/velmor-merger (made when missing)", "/var/tmp", "/tmp"}));
    }
    {
        ScopedVariable tmpdir("TMPDIR", std::nullopt);
        ScopedVariable cache("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
        ScopedVariable home("HOME", "/home/u");
        EXPECT_EQ(pathsOf(textFolderCandidates()),
                  (Paths{"/home/u/.cache/velmor-merger (made when missing)", "/var/tmp", "/tmp"}));
    }
}

struct ChoiceCase {
    const char* name;
    std::vector<TextFolder> candidates;
    std::string chosen;  // empty: none takes a file
    bool needsMemoryDisk;
};

TEST(TextFolderTest, ChoosesTheFirstFolderOnADiskAndSkipsWhatTakesNoFile)
{
    TempDir dir;
    testing::SmallDisk memory(dir.path("tmpfs"));
    const std::string disk = dir.path("disk");
    const std::string ownFolder = dir.path("cache/deeper/velmor-merger");
    ::mkdir(disk.c_str(), 0700);
    const std::string plainFile = dir.write("plain", "not a folder");
    const std::string missing = dir.path("missing");
    const std::string tmpfs = dir.path("tmpfs");
    const ChoiceCase cases[] = {
        {"missing, not a folder, a disk", {{missing}, {plainFile}, {disk}}, disk, false},
        {"memory first, then a disk", {{tmpfs}, {missing}, {disk}}, disk, true},
        {"only memory takes a file", {{missing}, {tmpfs}}, tmpfs, true},
        {"nothing takes a file", {{missing}, {plainFile}}, "", false},
        {"the program's own folder is made", {{missing}, {ownFolder, true}, {disk}}, ownFolder, false},
    };
    for (const ChoiceCase& c : cases) {
        if (c.needsMemoryDisk && !memory.mounted()) {
            std::cout << "[ skipped  ] " << c.name << ": needs root to mount a tmpfs\n";
            continue;
        }
        const TextFile file = openTextFile(c.candidates);
        EXPECT_EQ(file.folder, c.chosen) << c.name;
        EXPECT_EQ(file.fd >= 0, !c.chosen.empty()) << c.name;
        if (file.fd >= 0) {
            EXPECT_EQ(::write(file.fd, "x", 1), 1) << c.name;
            ::close(file.fd);
        }
    }
    struct stat made {};
    ASSERT_EQ(::stat(ownFolder.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0700u);
}

// The merged text's folder on a tmpfs far smaller than the text: the merge
// still succeeds, because the text goes to a folder on a disk.
TEST(TextFolderTest, MergeLargerThanAMemoryBackedTmpdirSucceeds)
{
    TempDir dir;
    testing::SmallDisk memory(dir.path("tmpfs"));
    if (!memory.mounted())
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    ScopedVariable tmpdir("TMPDIR", dir.path("tmpfs"));
    MergedTextStore store;
    const std::string line(1 << 20, 'm');  // 16 times the tmpfs
    ASSERT_NO_THROW(store.Append(Block(line)));
    EXPECT_EQ(store.size(), line.size() + 4);
    EXPECT_EQ(store.bytes(line.size() - 2, 6), "mm\r\n\r\n");
}

}  // namespace
}  // namespace velmor
