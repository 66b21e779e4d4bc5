// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>

// The asking end of the stand-in Mail's control socket: one request line, one response line.
class ControlClient {
public:
    explicit ControlClient(const std::string& socketPath);
    ~ControlClient();
    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;

    bool isConnected() const { return descriptor >= 0; }
    const std::string& failure() const { return lastFailure; }

    // The response without its line end; none when the connection fails or the time runs out.
    std::optional<std::string> request(const std::string& line,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(30));

private:
    bool sendLine(const std::string& line);
    std::optional<std::string> receiveLine(std::chrono::milliseconds timeout);

    int descriptor = -1;
    std::string buffered;
    std::string lastFailure;
};
