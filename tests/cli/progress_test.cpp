// The progress line: drawn on a terminal, rewritten in place and cleared at
// the end; absent with -q.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "merge_program.h"
#include "temp_dir.h"

namespace velmor {
namespace {

using testing::Invocation;
using testing::Outcome;
using testing::TempDir;

// A pseudo-terminal for the program's standard error; `drain` reads what
// the program drew on it.
class Terminal {
public:
    Terminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            name_ = ::ptsname(master_);
    }
    ~Terminal()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    const std::string& name() const { return name_; }

    std::string drain() const
    {
        std::string shown;
        char buffer[4096];
        pollfd ready{master_, POLLIN, 0};
        while (::poll(&ready, 1, 100) > 0 && (ready.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            shown.append(buffer, static_cast<std::size_t>(n));
        }
        return shown;
    }

private:
    int master_;
    std::string name_;
};

// Standard input that trickles in over a second, so a line is drawn.
void trickle(int fd, int)
{
    const std::string games(64 * 1024, 'g');
    for (int i = 0; i < 10; ++i) {
        (void)!::write(fd, games.data(), games.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

TEST(ProgressTest, LineOnATerminalIsRewrittenAndClearedAtTheEnd)
{
    Terminal terminal;
    ASSERT_FALSE(terminal.name().empty());
    TempDir dir;
    const std::string first = dir.write("first.pgn", "a\n");

    Invocation invocation{{"-o", dir.path("target.pgn"), first, "-"}};
    invocation.feed = trickle;
    invocation.errorTerminal = terminal.name();
    const Outcome outcome = testing::runMerge(invocation);
    const std::string shown = terminal.drain();

    EXPECT_EQ(outcome.status, 0);
    // Standard input's length is not known: bytes so far, no share or time left.
    EXPECT_NE(shown.find("\rvelmor-merge: "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" MB, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" MB/s, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" elapsed\033[K"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("left"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos) << "the line stays one line: " << shown;
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << "not cleared at the end";
}

TEST(ProgressTest, QuietDrawsNothing)
{
    Terminal terminal;
    ASSERT_FALSE(terminal.name().empty());
    TempDir dir;
    Invocation invocation{{"-q", "-o", dir.path("target.pgn"), "-"}};
    invocation.feed = trickle;
    invocation.errorTerminal = terminal.name();
    const Outcome outcome = testing::runMerge(invocation);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(terminal.drain(), "");
}

}  // namespace
}  // namespace velmor
