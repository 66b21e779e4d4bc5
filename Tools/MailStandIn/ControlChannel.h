// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

// The listening end of the test control socket (a Unix domain stream socket): any number of
// clients, each sending request lines and reading one response line per request, in order.
// poll() never waits for input, so the run loop that calls it keeps turning.
class ControlChannel {
public:
    using Handler = std::function<std::string(const std::string& request)>;

    static constexpr std::size_t maximumRequestLength = 64 * 1024;

    ControlChannel(std::string socketPath, Handler handler);
    // Closes every connection and removes the socket file.
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    bool isListening() const { return listener >= 0; }
    void poll();

private:
    struct Client {
        int descriptor;
        std::string pending;
    };

    void acceptClients();
    bool serve(Client& client);
    bool answer(int descriptor, const std::string& response);

    std::string path;
    Handler handler;
    int listener = -1;
    std::vector<Client> clients;
};
