#pragma once
// Runs a check as an ordinary user, for tests of permissions, which mean
// nothing to root.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace velmor::testing {

// Returns the problems `check` found, or nullopt when no ordinary user can
// be had.
inline std::optional<std::string> asOrdinaryUser(const std::function<std::string()>& check)
{
    if (::geteuid() != 0)
        return check();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(2);
        const std::string problems = check();
        const bool sent = ::write(pipeFds[1], problems.data(), problems.size()) == ssize_t(problems.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string problems;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        problems.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return problems;
}

}  // namespace velmor::testing
