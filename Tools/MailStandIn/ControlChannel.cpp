// SPDX-License-Identifier: MIT
#include "ControlChannel.h"

#include "MailLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int writeTimeoutMilliseconds = 5000;

// A socket left behind by a Mail that did not exit cleanly would make bind fail.
void removeStaleSocket(const std::string& path)
{
    struct stat status = {};
    if (lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
        unlink(path.c_str());
}

} // namespace

ControlChannel::ControlChannel(std::string socketPath, Handler handler)
    : path(std::move(socketPath)), handler(std::move(handler))
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        MailLog::write("Control socket path unusable: \"" + path + "\"");
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    removeStaleSocket(path);
    listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener >= 0 && bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        listen(listener, 8) == 0)
        return;
    MailLog::write("Could not listen on " + path + ": " + std::strerror(errno));
    if (listener >= 0)
        close(listener);
    listener = -1;
}

ControlChannel::~ControlChannel()
{
    for (const auto& client : clients)
        close(client.descriptor);
    if (listener < 0)
        return;
    close(listener);
    unlink(path.c_str());
}

void ControlChannel::poll()
{
    if (listener < 0)
        return;
    acceptClients();
    std::erase_if(clients, [this](Client& client) {
        if (serve(client))
            return false;
        close(client.descriptor);
        return true;
    });
}

void ControlChannel::acceptClients()
{
    for (;;) {
        int descriptor = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0)
            return;
        clients.push_back({descriptor, {}});
    }
}

// Reads what has arrived and answers each complete line; false when the client is done or broken.
bool ControlChannel::serve(Client& client)
{
    char buffer[4096];
    ssize_t count = read(client.descriptor, buffer, sizeof(buffer));
    if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR))
        return false;
    if (count > 0)
        client.pending.append(buffer, static_cast<std::size_t>(count));
    for (auto end = client.pending.find('\n'); end != std::string::npos; end = client.pending.find('\n')) {
        std::string request = client.pending.substr(0, end);
        client.pending.erase(0, end + 1);
        if (!request.empty() && request.back() == '\r')
            request.pop_back();
        if (!answer(client.descriptor, handler(request)))
            return false;
    }
    if (client.pending.size() <= maximumRequestLength)
        return true;
    answer(client.descriptor, "error request too long");
    return false;
}

bool ControlChannel::answer(int descriptor, const std::string& response)
{
    std::string line = response + "\n";
    std::size_t written = 0;
    while (written < line.size()) {
        ssize_t count = send(descriptor, line.data() + written, line.size() - written, MSG_NOSIGNAL);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd writable = {descriptor, POLLOUT, 0};
        if (::poll(&writable, 1, writeTimeoutMilliseconds) <= 0)
            return false;
    }
    return true;
}
