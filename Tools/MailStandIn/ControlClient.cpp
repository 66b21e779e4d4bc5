// SPDX-License-Identifier: MIT
#include "ControlClient.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

ControlClient::ControlClient(const std::string& socketPath)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) {
        lastFailure = "socket path too long";
        return;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor >= 0 && connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
        return;
    lastFailure = std::strerror(errno);
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
}

ControlClient::~ControlClient()
{
    if (descriptor >= 0)
        close(descriptor);
}

std::optional<std::string> ControlClient::request(const std::string& line, std::chrono::milliseconds timeout)
{
    if (descriptor < 0 || !sendLine(line))
        return std::nullopt;
    return receiveLine(timeout);
}

bool ControlClient::sendLine(const std::string& line)
{
    std::string data = line + "\n";
    std::size_t written = 0;
    while (written < data.size()) {
        ssize_t count = send(descriptor, data.data() + written, data.size() - written, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            lastFailure = std::strerror(errno);
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

std::optional<std::string> ControlClient::receiveLine(std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto end = buffered.find('\n');
        if (end != std::string::npos) {
            std::string response = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return response;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd readable = {descriptor, POLLIN, 0};
        int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            lastFailure = "no response in time";
            return std::nullopt;
        }
        char chunk[4096];
        ssize_t count = read(descriptor, chunk, sizeof(chunk));
        if (count <= 0) {
            lastFailure = count == 0 ? "connection closed" : std::strerror(errno);
            return std::nullopt;
        }
        buffered.append(chunk, static_cast<std::size_t>(count));
    }
}
