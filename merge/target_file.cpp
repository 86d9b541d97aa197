#include "target_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fstream>
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

std::string tempNameBeside(const std::string& file)
{
    return folderOf(file) + "/.velmor-save-" + randomSuffix() + ".tmp";
}

// A new, empty file beside `file`. Mode 0666 lets the umask and a default
// ACL of the folder shape a new target exactly as they would for a plain
// create. Returns -1 with errno set when the folder takes no new file.
int createTempBeside(const std::string& file, std::string& tempName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = tempNameBeside(file);
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

mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8)) & 0777;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A file made in another folder must look as if it had been created in the
// target's: mode 0666 less the umask, and the folder's group where the
// folder hands its group down. False where that cannot be had (a default
// ACL of the folder, a group we may not give).
bool lookCreatedIn(int fd, const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || ::getxattr(folder.c_str(), "system.posix_acl_default", nullptr, 0) > 0)
        return false;
    if ((st.st_mode & S_ISGID) && st.st_gid != ::getegid() && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0)
        return false;
    return ::fchmod(fd, 0666 & ~currentUmask()) == 0;
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

// Gives the complete, flushed file `fd`, which has no name, the name of the
// target: a temporary name beside it first, then one rename over it. False,
// with nothing changed, when the file cannot be linked there.
bool linkOver(int fd, const Destination& to)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::string tempName;
    for (int attempt = 0;; ++attempt) {
        tempName = tempNameBeside(to.file);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempName.c_str(), AT_SYMLINK_FOLLOW) == 0)
            break;
        if (errno != EEXIST || attempt == 100)
            return false;
    }
    if (::rename(tempName.c_str(), to.file.c_str()) != 0) {
        ::unlink(tempName.c_str());
        saveFailed();
    }
    syncFolder(to.file);
    return true;
}

// The content's own file becomes the target, when it has no name yet and
// lives on the target's file system: nothing is copied.
bool handOver(const Destination& to, const TargetContent& content)
{
    const int fd = content.linkable;
    struct stat file {};
    struct stat folder {};
    if (fd < 0 || ::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_nlink != 0 ||
        static_cast<ByteCount>(file.st_size) != content.length ||
        ::faccessat(AT_FDCWD, folderOf(to.file).c_str(), W_OK | X_OK, AT_EACCESS) != 0 ||
        ::stat(folderOf(to.file).c_str(), &folder) != 0 || folder.st_dev != file.st_dev)
        return false;
    if (to.existing)
        keepAttributes(fd, *to.existing);
    else if (!lookCreatedIn(fd, folderOf(to.file)))
        return false;
    // Flushed before it gets a name, so a kill can leave no half-named file.
    if (!flush(fd))
        saveFailed();
    return linkOver(fd, to);
}

// Copies the content into a new file without a name in the target's folder
// and links it in once complete: a save that breaks off, even by a kill,
// leaves nothing behind. False where the folder takes no unnamed file (or
// no link of one): nothing has changed then.
bool copyIntoUnnamed(const Destination& to, const TargetContent& content)
{
    UniqueFd fd(::open(folderOf(to.file).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return false;
    if (to.existing)
        keepAttributes(fd.get(), *to.existing);
    if (!content.write(fd.get()) || !flush(fd.get()))
        saveFailed();
    return linkOver(fd.get(), to);
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

// Room for `length` bytes written over the file from its start, so that the
// writing cannot run out of space half-way. When the room cannot be had,
// the file keeps every byte and its times.
bool reserveSpace(int fd, const struct stat& old, ByteCount length)
{
    if (length == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(length)) == 0)
        return true;
    // Without reservation by the file system, the C library's stand-in
    // writes a zero into each block that holds none yet, which keeps every
    // byte; it needs the file open for reading.
    const bool unsupported = errno == EOPNOTSUPP || errno == ENOSYS;
    if (unsupported && ::posix_fallocate(fd, 0, static_cast<off_t>(length)) == 0)
        return true;
    // Gives back what was reserved past the old end.
    (void)!::ftruncate(fd, old.st_size);
    const struct timespec times[] = {old.st_atim, old.st_mtim};
    (void)::futimens(fd, times);
    return false;
}

// Drops what is left of the old content past the new.
bool cutAtPosition(int fd)
{
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    return end >= 0 && ::ftruncate(fd, end) == 0;
}

// Read and write where we may, for the C library's stand-in above.
int openInPlace(const std::string& file)
{
    constexpr int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(file.c_str(), O_RDWR | flags);
    return fd >= 0 ? fd : ::open(file.c_str(), O_WRONLY | flags);
}

// The old content is cut only after the whole new one has room; only a
// device error half-way can still leave a mix of both.
void overwriteInPlace(const std::string& path, const Destination& to, const TargetContent& content)
{
    if (!to.existing)
        cannotCreate(path);
    UniqueFd fd(openInPlace(to.file));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        cannotCreate(path);
    const bool regular = S_ISREG(st.st_mode);
    if (regular && content.length && !reserveSpace(fd.get(), st, *content.length))
        saveFailed();
    if (!content.write(fd.get()) || (regular && !cutAtPosition(fd.get())) || !flush(fd.get()) || !fd.reset())
        saveFailed();
}

// A reader that goes away half-way must end the save with a message, not the
// program with SIGPIPE: the signal is held back on this thread while the
// bytes go out, and one that came meanwhile is taken back.
class SigpipeHeldBack {
public:
    SigpipeHeldBack()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~SigpipeHeldBack()
    {
        const timespec none{};
        if (!wasPending_)
            while (sigtimedwait(&pipe_, nullptr, &none) == SIGPIPE) {
            }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeHeldBack(const SigpipeHeldBack&) = delete;
    SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
    bool wasPending_ = false;
};

// A FIFO, socket or device takes the bytes where it stands. Opened without
// waiting: a FIFO without a reader refuses at once instead of blocking
// until one comes, and a reader that stops reading is waited for only a
// while (see copyFileBytes).
void writeToSpecialFile(const std::string& path, const Destination& to, const TargetContent& content)
{
    if (S_ISSOCK(to.existing->st_mode))
        cannotCreate(path);
    UniqueFd fd(::open(to.file.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        cannotCreate(path);
    const SigpipeHeldBack heldBack;
    if (!fill(fd, content.write))
        saveFailed();
}

bool isWritable(const std::string& file)
{
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

SaveOutcome writeTargetFile(const std::string& path, const TargetContent& content)
{
    const Destination to = resolve(path);
    // A read-only target stays protected: the rename below would otherwise
    // replace it whenever its folder is writable.
    if (to.existing && !isWritable(to.file))
        cannotCreate(path);
    if (to.existing && !S_ISREG(to.existing->st_mode)) {
        writeToSpecialFile(path, to, content);
        return SaveOutcome::written;
    }
    if (handOver(to, content))
        return SaveOutcome::linked;
    if (copyIntoUnnamed(to, content))
        return SaveOutcome::written;
    // File systems without unnamed files or links to them: a named file.
    std::string tempName;
    UniqueFd temp(createTempBeside(to.file, tempName));
    if (temp.get() >= 0) {
        replaceAtomically(to, temp, tempName, content.write);
        return SaveOutcome::written;
    }
    if (errno != EACCES && errno != EPERM && errno != EROFS)
        cannotCreate(path);
    overwriteInPlace(path, to, content);
    return SaveOutcome::written;
}

}  // namespace velmor
