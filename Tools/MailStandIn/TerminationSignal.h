// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>

// How Mail answers a quit request (SIGTERM): at once by default, or as GRABBIT_MAIL_QUIT or the
// control channel say. The handler only sets a flag; the run loop asks quitDue().
class TerminationSignal {
public:
    TerminationSignal();
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

    // "at-once", a number of seconds to wait first, "refuse" (the request is logged and ignored)
    // or "never" (Mail hangs: it answers nothing more and never ends). False for anything else.
    bool setMode(const std::string& mode);
    // A number of seconds from 0 to 3600, as the delay it stands for; nothing for anything else.
    static std::optional<std::chrono::milliseconds> parseDelay(const std::string& seconds);
    void refuse();
    void delay(std::chrono::milliseconds delay);

    // True once a quit request has arrived and its delay, if any, has passed.
    bool quitDue();
    bool refusing() const { return isRefusing; }
    bool hangs() const { return isHanging; }

private:
    bool isRefusing = false;
    bool hangsOnQuit = false;
    bool isHanging = false;
    std::chrono::milliseconds quitDelay{0};
    std::optional<std::chrono::steady_clock::time_point> deadline;
};
