#include "command_line.h"

namespace velmor::cli {

namespace {

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CommandLine parse()
    {
        bool optionsEnded = false;
        for (next_ = 0; next_ < args_.size() && result_.kind == CommandLine::Merge;) {
            const std::string& arg = args_[next_++];
            if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-')
                result_.request.sources.push_back(arg);
            else if (arg == "--")
                optionsEnded = true;
            else if (arg.compare(0, 2, "--") == 0)
                longOption(arg);
            else
                shortOptions(arg);
        }
        if (result_.kind == CommandLine::Merge && result_.request.sources.empty())
            fail("no source given");
        return result_;
    }

private:
    void longOption(const std::string& arg)
    {
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name == "--output")
            setTarget(equals == std::string::npos ? valueAfter("--output")
                                                  : std::optional(arg.substr(equals + 1)));
        else if (equals != std::string::npos)
            fail("unknown option '" + arg + "'");
        else if (arg == "--quiet")
            result_.request.quiet = true;
        else if (arg == "--help")
            result_.kind = CommandLine::Help;
        else if (arg == "--version")
            result_.kind = CommandLine::Version;
        else
            fail("unknown option '" + arg + "'");
    }

    // "-q", "-o FILE", "-oFILE" and clusters such as "-qo FILE".
    void shortOptions(const std::string& arg)
    {
        for (std::size_t i = 1; i < arg.size(); ++i) {
            if (arg[i] == 'q') {
                result_.request.quiet = true;
            } else if (arg[i] == 'o') {
                setTarget(i + 1 < arg.size() ? std::optional(arg.substr(i + 1)) : valueAfter("-o"));
                return;
            } else {
                fail("unknown option '-" + arg.substr(i, 1) + "'");
                return;
            }
        }
    }

    std::optional<std::string> valueAfter(const std::string& option)
    {
        if (next_ < args_.size())
            return args_[next_++];
        fail("option '" + option + "' needs a file name");
        return std::nullopt;
    }

    void setTarget(std::optional<std::string> target)
    {
        if (!target)
            return;
        if (result_.request.target)
            fail("more than one target (-o) given");
        result_.request.target = std::move(target);
    }

    void fail(std::string error)
    {
        if (result_.kind != CommandLine::UsageError)
            result_.error = std::move(error);
        result_.kind = CommandLine::UsageError;
    }

    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
    CommandLine result_;
};

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    return Parser(args).parse();
}

std::string versionText()
{
    return "velmor-merge " VELMOR_VERSION "\n";
}

std::string helpText()
{
    return R"(Usage: velmor-merge [-o FILE] [-q] SOURCE...
Join PGN game collections, or any text files, into one text, exactly as the
Velmor Merger window does: every line of every SOURCE, in the order given,
ends with CR LF, and an empty line follows each source. Nothing else of a
source is changed.

  -o, --output=FILE  write the merged text to FILE, replacing it only once
                       every source has been merged and the text is on the
                       disk: after any failure FILE is as it was before
                       (unless FILE's folder takes no new file; then FILE
                       is written over in place)
  -q, --quiet        show no progress line
      --help         display this help and exit
      --version      output version information and exit

A SOURCE of - is standard input, read as it comes (a pipe, for example).
Any other SOURCE must be a regular file: a FIFO or a device named as a path
is refused. A NUL byte followed only by NUL bytes up to the end is padding
and ends the source's text; any other byte after a NUL byte makes the source
fail as not 8-bit text (UTF-16, or a binary file given by mistake).

Without -o the merged text goes to standard output as it is made. When a
source fails, what was written before that source stays written; only the
failing source's own bytes are cut off again, and only where standard
output is a regular file.

While the merge runs, a line on standard error tells the share of all source
bytes done, the speed and the time spent and left, when standard error is a
terminal and the merged text does not go to that terminal, unless -q is
given.

Exit status:
  0  every source was merged and the merged text written
  1  a source cannot be opened or read or is not 8-bit text, or the merged
     text cannot be written; the message on standard error says which
  2  the command line is wrong: an unknown option, no source

Examples:
  velmor-merge -o all.pgn 2024-*.pgn
        merge every 2024 file, in the shell's order, into all.pgn
  unzip -p games.zip | velmor-merge old.pgn - > all.pgn
        merge old.pgn and the games from the archive into all.pgn
)";
}

}  // namespace velmor::cli
