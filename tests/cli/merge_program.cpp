#include "merge_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "temp_dir.h"

extern char** environ;

namespace velmor::testing {

namespace {

void check(int result, const char* what)
{
    if (result != 0)
        throw std::runtime_error(std::string("cannot run velmor-merge: ") + what);
}

// The child's standard streams, set up by posix_spawn's file actions.
class ChildStreams {
public:
    explicit ChildStreams(const Invocation& run)
    {
        check(posix_spawn_file_actions_init(&actions_), "file actions");
        setInput(run);
        setOutput(run);
        if (run.errorTerminal)
            open(STDERR_FILENO, *run.errorTerminal, O_RDWR | O_NOCTTY);
        else
            open(STDERR_FILENO, dir_.path("err"), O_WRONLY | O_CREAT | O_TRUNC);
    }
    ~ChildStreams()
    {
        posix_spawn_file_actions_destroy(&actions_);
        closeParentEnds();
        closeOnce(inputWrite_);
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }

    // After the spawn: the parent keeps only the writing end of the input.
    void closeParentEnds()
    {
        closeOnce(inputRead_);
        closeOnce(outputWrite_);
    }
    void sendInput(const Invocation& run, pid_t child)
    {
        if (inputWrite_ < 0)
            return;
        if (run.feed)
            run.feed(inputWrite_, child);
        else
            for (std::size_t done = 0; done < run.piped->size();) {
                const ssize_t n = ::write(inputWrite_, run.piped->data() + done, run.piped->size() - done);
                if (n <= 0)
                    break;  // the program stopped reading
                done += static_cast<std::size_t>(n);
            }
        closeOnce(inputWrite_);
    }
    std::string output(const Invocation& run) const
    {
        return run.outputFile || run.outputToClosedPipe ? "" : TempDir::read(dir_.path("out"));
    }
    std::string errors(const Invocation& run) const
    {
        return run.errorTerminal ? "" : TempDir::read(dir_.path("err"));
    }

private:
    static void closeOnce(int& fd)
    {
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
    }
    void open(int fd, const std::string& path, int flags)
    {
        check(posix_spawn_file_actions_addopen(&actions_, fd, path.c_str(), flags, 0600), "open");
    }
    void setInput(const Invocation& run)
    {
        if (run.inputFile) {
            open(STDIN_FILENO, *run.inputFile, O_RDONLY);
        } else if (run.piped || run.feed) {
            int ends[2];
            check(::pipe2(ends, O_CLOEXEC), "pipe");
            inputRead_ = ends[0];
            inputWrite_ = ends[1];
            check(posix_spawn_file_actions_adddup2(&actions_, inputRead_, STDIN_FILENO), "dup2");
        } else {
            open(STDIN_FILENO, "/dev/null", O_RDONLY);
        }
    }
    void setOutput(const Invocation& run)
    {
        if (run.outputFile) {
            open(STDOUT_FILENO, *run.outputFile, O_WRONLY | O_CREAT | O_APPEND);
        } else if (run.outputToClosedPipe) {
            int ends[2];
            check(::pipe2(ends, O_CLOEXEC), "pipe");
            ::close(ends[0]);
            outputWrite_ = ends[1];
            check(posix_spawn_file_actions_adddup2(&actions_, outputWrite_, STDOUT_FILENO), "dup2");
        } else {
            open(STDOUT_FILENO, dir_.path("out"), O_WRONLY | O_CREAT | O_TRUNC);
        }
    }

    TempDir dir_;
    posix_spawn_file_actions_t actions_;
    int inputRead_ = -1, inputWrite_ = -1, outputWrite_ = -1;
};

int statusOf(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

Outcome runMerge(const Invocation& run)
{
    // Writing to a program that stopped reading must fail here, not end the
    // test; the child gets the default back, so it shows what it does itself.
    ::signal(SIGPIPE, SIG_IGN);
    posix_spawnattr_t attributes;
    check(posix_spawnattr_init(&attributes), "attributes");
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    ChildStreams streams(run);
    std::vector<std::string> args{VELMOR_MERGE_PROGRAM};
    args.insert(args.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, VELMOR_MERGE_PROGRAM, streams.actions(), &attributes,
                                    argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    check(spawned, "spawn");
    streams.closeParentEnds();
    streams.sendInput(run, child);
    Outcome outcome;
    outcome.status = statusOf(child);
    outcome.out = streams.output(run);
    outcome.err = streams.errors(run);
    return outcome;
}

}  // namespace velmor::testing
