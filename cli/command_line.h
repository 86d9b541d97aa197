#pragma once
// What the command line of velmor-merge asks for:
//     velmor-merge [-o FILE] [-q] SOURCE...
// Options and sources may come in any order; "--" ends the options, and a
// lone "-" is a source: standard input.
#include <optional>
#include <string>
#include <vector>

namespace velmor::cli {

struct MergeRequest {
    std::vector<std::string> sources;  // "-" is standard input
    std::optional<std::string> target;  // nothing: standard output
    bool quiet = false;
};

struct CommandLine {
    enum Kind { Merge, Help, Version, UsageError };
    Kind kind = Merge;
    MergeRequest request;
    std::string error;  // for UsageError: what is wrong, without the program name
};

// `args` without the program's name. Paths are kept byte for byte.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The text of --help and of --version, each ending with a line end.
std::string helpText();
std::string versionText();

}  // namespace velmor::cli
