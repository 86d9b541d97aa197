#pragma once
// Runs the real velmor-merge as a child process, the way a script does,
// and collects what it printed and how it ended.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmor::testing {

struct Invocation {
    explicit Invocation(std::vector<std::string> arguments = {}) : args(std::move(arguments)) {}

    std::vector<std::string> args;
    // Standard input: /dev/null unless one of these is given.
    std::optional<std::string> inputFile;
    std::optional<std::string> piped;            // bytes sent through a pipe
    std::function<void(int fd, int child)> feed;  // or writes the pipe itself
    // Standard output: captured unless one of these is given.
    std::optional<std::string> outputFile;       // opened for appending
    bool outputToClosedPipe = false;             // a reader that went away
    // Standard error: captured unless this names a terminal to use.
    std::optional<std::string> errorTerminal;
};

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

Outcome runMerge(const Invocation& invocation);
inline Outcome runMerge(std::vector<std::string> args)
{
    return runMerge(Invocation{std::move(args)});
}

}  // namespace velmor::testing
