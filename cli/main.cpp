// velmor-merge: the merge of the Velmor Merger window for scripts and
// servers, the same bytes and the same messages, without a window.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "command_line.h"
#include "errors.h"
#include "interruption.h"
#include "merge_command.h"

namespace {

using namespace velmor::cli;

bool writeText(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void printError(const std::string& message)
{
    writeText(STDERR_FILENO, "velmor-merge: " + message + "\n");
}

int merge(const MergeRequest& request)
{
    // A reader that goes away (`| head`) shows as a failed write, with a
    // message and exit status 1, rather than as a silent death.
    ::signal(SIGPIPE, SIG_IGN);
    catchInterruptions();
    try {
        MergeCommand(request).run();
        return 0;
    } catch (const velmor::Exception& e) {
        printError(e.what());
    } catch (const std::bad_alloc&) {
        printError(velmor::EOutOfMemory().what());
    } catch (const Interrupted& interrupted) {
        endBy(interrupted.signal);
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.kind) {
    case CommandLine::Help:
        return writeText(STDOUT_FILENO, helpText()) ? 0 : 1;
    case CommandLine::Version:
        return writeText(STDOUT_FILENO, versionText()) ? 0 : 1;
    case CommandLine::UsageError:
        printError(line.error);
        writeText(STDERR_FILENO, "Try 'velmor-merge --help' for more information.\n");
        return 2;
    case CommandLine::Merge:
        break;
    }
    return merge(line.request);
}
