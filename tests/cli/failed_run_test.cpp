// What a failed or interrupted run leaves behind: with -o the target as it
// was and no stray file beside it; towards standard output the text of the
// sources before the failing one, and nothing of the failing one where
// standard output is a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "merge_program.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using namespace std::string_literals;
using testing::Invocation;
using testing::Outcome;
using testing::TempDir;

constexpr std::size_t MiB = 1024 * 1024;

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class FailedRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        first = dir.write("first.pgn", "a\n");
        // Text large enough to have been written out in part before the
        // byte after its NUL shows that it is no text.
        notText = dir.write("binary.pgn", std::string(3 * MiB, 'x') + "\0x"s);
        target = dir.write("target.pgn", "old text\r\n");
        ::chmod(target.c_str(), 0640);
    }

    void expectTargetUntouched()
    {
        const std::string now = TempDir::read(target);
        EXPECT_TRUE(now == "old text\r\n") << "the target changed to " << now.size() << " bytes";
        struct stat st {};
        ::stat(target.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        EXPECT_EQ(namesIn(dir.path("")), (std::set<std::string>{"first.pgn", "binary.pgn", "target.pgn"}))
            << "a temporary file was left beside the target";
    }

    TempDir dir;
    std::string first, notText, target;
};

TEST_F(FailedRunTest, TargetStaysAsItWasWhenASourceFails)
{
    for (const std::string& failing : {dir.path("missing.pgn"), notText}) {
        SCOPED_TRACE(failing);
        const Outcome outcome = testing::runMerge({"-o", target, first, failing});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err, "");
        expectTargetUntouched();
    }
}

TEST_F(FailedRunTest, InterruptedRunLeavesTargetAndFolderAsTheyWere)
{
    Invocation invocation{{"-o", target, first, "-"}};
    invocation.feed = [](int fd, int child) {
        const std::string games(MiB, 'g');
        (void)!::write(fd, games.data(), games.size());
        ::kill(child, SIGTERM);
        (void)!::write(fd, games.data(), games.size());
    };
    const Outcome outcome = testing::runMerge(invocation);
    EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
    expectTargetUntouched();
}

TEST_F(FailedRunTest, StandardOutputKeepsTheSourcesBeforeTheFailingOne)
{
    const std::string earlier = "written before\n";
    for (const std::string& failing : {dir.path("missing.pgn"), notText}) {
        SCOPED_TRACE(failing);
        const std::string output = dir.write("output.pgn", earlier);
        Invocation invocation{{first, failing, first}};
        invocation.outputFile = output;  // appended to, as with >>
        const Outcome outcome = testing::runMerge(invocation);
        EXPECT_EQ(outcome.status, 1);
        const std::string kept = TempDir::read(output);
        EXPECT_TRUE(kept == earlier + "a\r\n\r\n") << kept.size() << " bytes kept";
    }
}

}  // namespace
}  // namespace velmor
