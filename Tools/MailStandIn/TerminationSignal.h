// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>

// How Mail answers a quit request (SIGTERM): at once by default; tests can make it refuse or
// take its time. The handler only sets a flag; the run loop asks quitDue().
class TerminationSignal {
public:
    TerminationSignal();
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

    void refuse();
    void delay(std::chrono::milliseconds delay);

    // True once a quit request has arrived and its delay, if any, has passed.
    bool quitDue();
    bool refusing() const { return isRefusing; }

private:
    bool isRefusing = false;
    std::chrono::milliseconds quitDelay{0};
    std::optional<std::chrono::steady_clock::time_point> deadline;
};
