#include "text_folder.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velmor {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir)
            home = user->pw_dir;
    return home;
}

// The cache folder as the XDG base directories define it: a relative
// $XDG_CACHE_HOME counts as unset.
std::string cacheFolder()
{
    const std::string xdg = environment("XDG_CACHE_HOME");
    if (!xdg.empty() && xdg[0] == '/')
        return xdg;
    const std::string home = homeFolder();
    return home.empty() ? "" : home + "/.cache";
}

// Makes `path` and any missing folder above it, each with mode 0700.
void makeFolder(const std::string& path, int depth = 0)
{
    if (path.empty() || depth > 64 || ::mkdir(path.c_str(), 0700) == 0 || errno != ENOENT)
        return;
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return;
    makeFolder(path.substr(0, slash), depth + 1);
    ::mkdir(path.c_str(), 0700);
}

bool isMemoryBacked(const std::string& folder)
{
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0)
        return false;
    return fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC;
}

int openTmpfile(const std::string& folder)
{
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

}  // namespace

std::vector<TextFolder> textFolderCandidates()
{
    std::vector<TextFolder> candidates;
    if (const std::string tmpdir = environment("TMPDIR"); !tmpdir.empty())
        candidates.push_back({tmpdir});
    if (const std::string cache = cacheFolder(); !cache.empty())
        candidates.push_back({cache + "/velmor-merger", true});
    candidates.push_back({"/var/tmp"});
    candidates.push_back({"/tmp"});
    return candidates;
}

int openUnnamedFile(const std::string& folder)
{
    const int fd = openTmpfile(folder);
    if (fd >= 0)
        return fd;
    std::string name = folder + "/.velmor-text-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

TextFile openTextFile(const std::vector<TextFolder>& candidates)
{
    for (const TextFolder& folder : candidates) {
        if (folder.createWhenMissing)
            makeFolder(folder.path);
        if (isMemoryBacked(folder.path))
            continue;
        if (const int fd = openTmpfile(folder.path); fd >= 0)
            return {fd, folder.path};
    }
    for (const TextFolder& folder : candidates)
        if (const int fd = openUnnamedFile(folder.path); fd >= 0)
            return {fd, folder.path};
    return {};
}

}  // namespace velmor
