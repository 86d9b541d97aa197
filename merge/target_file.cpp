#include "target_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <random>
#include <vector>

#include "errors.h"

namespace velmor {

namespace {

[[noreturn]] void cannotCreate(const std::string& path)
{
    throw EFCreateError(withPath(messages::cannotCreate, path));
}

[[noreturn]] void saveFailed()
{
    throw EOutOfResources(messages::saveFailed);
}

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    // Closes now; false when the close reports an error (a delayed write
    // failure on some file systems).
    bool reset()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// The file a save really writes: the end of the chain of symbolic links
// that starts at the path the user chose, and what stands there now.
struct Destination {
    std::string file;
    std::optional<struct stat> existing;
};

std::string folderOf(const std::string& file)
{
    const auto slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::optional<std::string> linkTarget(const std::string& link, off_t sizeHint)
{
    std::vector<char> buffer(static_cast<std::size_t>(sizeHint > 0 ? sizeHint : 255) + 1);
    const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size())
        return std::nullopt;
    std::string target(buffer.data(), static_cast<std::size_t>(length));
    if (target.empty() || target[0] == '/')
        return target;
    return folderOf(link) + "/" + target;
}

// Throws cannotCreate when the chain cannot be followed (a loop, a path
// below a regular file) or ends at a folder.
Destination resolve(const std::string& path)
{
    constexpr int maxLinks = 40;  // as the kernel allows when opening
    if (path.empty() || path.back() == '/')
        cannotCreate(path);
    std::string file = path;
    for (int links = 0; links <= maxLinks; ++links) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0) {
            if (errno != ENOENT)
                cannotCreate(path);
            return {file, std::nullopt};
        }
        if (S_ISDIR(st.st_mode))
            cannotCreate(path);
        if (!S_ISLNK(st.st_mode))
            return {file, st};
        const auto next = linkTarget(file, st.st_size);
        if (!next)
            cannotCreate(path);
        file = *next;
    }
    cannotCreate(path);
}

std::string randomSuffix()
{
    static std::mt19937_64 generator{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<int> pick(0, sizeof letters - 2);
    std::string suffix(10, ' ');
    for (char& c : suffix)
        c = letters[pick(generator)];
    return suffix;
}

// A new, empty file beside `file`. Mode 0666 lets the umask and a default
// ACL of the folder shape a new target exactly as they would for a plain
// create. Returns -1 with errno set when the folder takes no new file.
int createTempBeside(const std::string& file, std::string& tempName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = folderOf(file) + "/.velmor-save-" + randomSuffix() + ".tmp";
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The replacement takes the old target's owner where we may set it, and
// its permission bits.
void keepAttributes(int fd, const struct stat& old)
{
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    (void)!::fchmod(fd, old.st_mode & 07777);
}

void syncFolder(const std::string& file)
{
    UniqueFd folder(::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        (void)::fsync(folder.get());
}

bool flush(int fd)
{
    // EINVAL: a device or pipe, which has nothing to flush.
    return ::fsync(fd) == 0 || errno == EINVAL;
}

// Writes and flushes; false when any step breaks off.
bool fill(UniqueFd& fd, const ContentWriter& writeContent)
{
    return writeContent(fd.get()) && flush(fd.get()) && fd.reset();
}

void replaceAtomically(const Destination& to, UniqueFd& temp, const std::string& tempName,
                       const ContentWriter& writeContent)
{
    if (to.existing)
        keepAttributes(temp.get(), *to.existing);
    bool placed = false;
    try {
        placed = fill(temp, writeContent) && ::rename(tempName.c_str(), to.file.c_str()) == 0;
    } catch (...) {
        temp.reset();
        ::unlink(tempName.c_str());
        throw;
    }
    if (!placed) {
        temp.reset();
        ::unlink(tempName.c_str());
        saveFailed();
    }
    syncFolder(to.file);
}

void overwriteInPlace(const std::string& path, const Destination& to,
                      const ContentWriter& writeContent)
{
    if (!to.existing)
        cannotCreate(path);
    UniqueFd fd(::open(to.file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0)
        cannotCreate(path);
    if (!fill(fd, writeContent))
        saveFailed();
}

bool isWritable(const std::string& file)
{
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

void writeTargetFile(const std::string& path, const ContentWriter& writeContent)
{
    const Destination to = resolve(path);
    // A read-only target stays protected: the rename below would otherwise
    // replace it whenever its folder is writable.
    if (to.existing && !isWritable(to.file))
        cannotCreate(path);
    // Devices and pipes cannot be replaced by a file; they take the bytes.
    if (to.existing && !S_ISREG(to.existing->st_mode))
        return overwriteInPlace(path, to, writeContent);
    std::string tempName;
    UniqueFd temp(createTempBeside(to.file, tempName));
    if (temp.get() >= 0)
        return replaceAtomically(to, temp, tempName, writeContent);
    if (errno == EACCES || errno == EPERM || errno == EROFS)
        return overwriteInPlace(path, to, writeContent);
    cannotCreate(path);
}

}  // namespace velmor
