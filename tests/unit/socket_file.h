#pragma once
// A file that is a bound UNIX socket, for sources and targets that are
// neither files nor pipes.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

namespace velmor::testing {

inline std::string bindSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);
    return path;
}

}  // namespace velmor::testing
