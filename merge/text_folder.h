#pragma once
// Where the merged text's file lives. Many systems mount /tmp as a tmpfs of
// at most half the memory, so a file there would hold the merged text in
// memory after all and cap a merge at that size: the file goes to the first
// folder that is on a disk, and to a memory-backed one only when no folder
// on a disk takes a file.
#include <string>
#include <vector>

namespace velmor {

struct TextFolder {
    std::string path;
    // The program's own folder, made (mode 0700) when it is missing.
    bool createWhenMissing = false;
};

// In order: $TMPDIR when set, the program's folder "velmor-merger" under the
// cache folder ($XDG_CACHE_HOME, else ~/.cache), /var/tmp, /tmp.
std::vector<TextFolder> textFolderCandidates();

struct TextFile {
    int fd = -1;  // open for reading and writing, empty
    std::string folder;
};

// A new file without a name in the first candidate that is not
// memory-backed (tmpfs, ramfs) and takes an unnamed file; when none does, in
// the first that takes a file at all. A missing or unwritable folder is
// passed over. fd is -1 when no candidate takes a file.
TextFile openTextFile(const std::vector<TextFolder>& candidates);

// A new file in `folder` that nothing else can reach: an unnamed file
// (O_TMPFILE), else, where the file system has none, a file whose name is
// removed at once. -1 when the folder takes no file.
int openUnnamedFile(const std::string& folder);

}  // namespace velmor
