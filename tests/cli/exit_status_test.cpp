// How velmor-merge ends, for every kind of failure: the exit status, the
// message on standard error and what reached standard output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "merge_program.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using testing::Invocation;
using testing::Outcome;
using testing::TempDir;

constexpr const char* tryHelp = "Try 'velmor-merge --help' for more information.\n";

struct Case {
    const char* what;
    std::vector<std::string> args;  // "@name" stands for the path of name in the folder
    int status;
    std::string err;                // "@name" likewise
    std::string out;
    std::string piped = {};         // standard input through a pipe, when not empty
    bool outputToClosedPipe = false;
};

class ExitStatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("a.pgn", "a\n");
        dir.write("b.pgn", "b\r\n");
        dir.write("utf16.pgn", std::string("\xFF\xFE" "a\0b\0", 6));
        ::mkdir(dir.path("folder").c_str(), 0700);
        ::mkfifo(dir.path("fifo").c_str(), 0600);
    }

    std::string expand(const std::string& text) const
    {
        std::string out;
        for (std::size_t at = 0; at < text.size();) {
            const auto name = text.find('@', at);
            out += text.substr(at, name - at);
            if (name == std::string::npos)
                break;
            const auto end = text.find_first_of(" \n", name);
            out += dir.path(text.substr(name + 1, end - name - 1));
            at = end;
        }
        return out;
    }

    Outcome run(const Case& c) const
    {
        Invocation invocation;
        for (const std::string& arg : c.args)
            invocation.args.push_back(expand(arg));
        if (!c.piped.empty())
            invocation.piped = c.piped;
        invocation.outputToClosedPipe = c.outputToClosedPipe;
        return testing::runMerge(invocation);
    }

    TempDir dir;
};

TEST_F(ExitStatusTest, StatusMessageAndOutputForEachOutcome)
{
    const std::string a = "a\r\n\r\n";
    const std::vector<Case> cases{
        {"success", {"@a.pgn", "@b.pgn"}, 0, "", a + "b\r\n\r\n"},
        {"standard input", {"@a.pgn", "-"}, 0, "", a + "c\r\n\r\n", "c"},
        {"missing source", {"@a.pgn", "@missing.pgn", "@b.pgn"}, 1,
         "velmor-merge: Cannot open file @missing.pgn\n", a},
        {"folder", {"@folder"}, 1, "velmor-merge: Cannot open file @folder\n", ""},
        {"FIFO named as a path", {"@fifo"}, 1, "velmor-merge: Cannot open file @fifo\n", ""},
        {"a pipe through /dev/stdin", {"/dev/stdin"}, 1,
         "velmor-merge: Cannot open file /dev/stdin\n", "", "c"},
        {"not 8-bit text", {"@a.pgn", "@utf16.pgn"}, 1,
         "velmor-merge: File @utf16.pgn is not an 8-bit text file\n", a},
        {"not 8-bit text on standard input", {"-"}, 1,
         "velmor-merge: File (standard input) is not an 8-bit text file\n", "",
         std::string("a\0b", 3)},
        {"a path is data, not a format", {"@100%s%n.pgn"}, 1,
         "velmor-merge: Cannot open file @100%s%n.pgn\n", ""},
        {"a source after --", {"--", "-q"}, 1, "velmor-merge: Cannot open file -q\n", ""},
        {"target in a missing folder", {"-o", "@none/t.pgn", "@a.pgn"}, 1,
         "velmor-merge: Cannot create file @none/t.pgn\n", ""},
        {"target is a folder", {"-o@folder", "@a.pgn"}, 1,
         "velmor-merge: Cannot create file @folder\n", ""},
        {"target refuses bytes", {"--output=/dev/full", "@a.pgn"}, 1,
         "velmor-merge: Failed to Save Stream\n", ""},
        {"reader went away", {"@a.pgn"}, 1, "velmor-merge: Failed to Save Stream\n", "", {}, true},
        {"unknown short option", {"-x", "@a.pgn"}, 2,
         std::string("velmor-merge: unknown option '-x'\n") + tryHelp, ""},
        {"unknown long option", {"@a.pgn", "--fast"}, 2,
         std::string("velmor-merge: unknown option '--fast'\n") + tryHelp, ""},
        {"no source", {"-q"}, 2, std::string("velmor-merge: no source given\n") + tryHelp, ""},
        {"nothing at all", {}, 2, std::string("velmor-merge: no source given\n") + tryHelp, ""},
        {"-o without a file", {"@a.pgn", "-o"}, 2,
         std::string("velmor-merge: option '-o' needs a file name\n") + tryHelp, ""},
        {"two targets", {"-o", "@t1", "-o", "@t2", "@a.pgn"}, 2,
         std::string("velmor-merge: more than one target (-o) given\n") + tryHelp, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = run(c);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.err, expand(c.err));
        EXPECT_EQ(outcome.out, c.out);
    }
}

TEST(HelpAndVersionTest, PrintToStandardOutputAndSucceed)
{
    const Outcome version = testing::runMerge({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "velmor-merge " VELMOR_VERSION "\n");
    EXPECT_EQ(version.err, "");

    // --help wins over the sources and options beside it.
    const Outcome help = testing::runMerge({"missing.pgn", "-o", "t.pgn", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage: velmor-merge [-o FILE] [-q] SOURCE...\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\nExamples:\n  velmor-merge -o all.pgn"), std::string::npos);
    EXPECT_NE(help.out.find("what was written before that source stays written"), std::string::npos);
}

}  // namespace
}  // namespace velmor
