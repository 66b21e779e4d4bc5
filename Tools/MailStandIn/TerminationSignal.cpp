// SPDX-License-Identifier: MIT
#include "TerminationSignal.h"

#include "MailLog.h"

#include <cmath>
#include <csignal>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t quitRequested = 0;

void onTerminate(int)
{
    quitRequested = 1;
}

} // namespace

TerminationSignal::TerminationSignal()
{
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
}

TerminationSignal::~TerminationSignal()
{
    std::signal(SIGTERM, SIG_DFL);
}

std::optional<std::chrono::milliseconds> TerminationSignal::parseDelay(const std::string& seconds)
{
    char* end = nullptr;
    const double value = std::strtod(seconds.c_str(), &end);
    if (seconds.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value > 3600)
        return std::nullopt;
    return std::chrono::milliseconds(std::lround(value * 1000));
}

bool TerminationSignal::setMode(const std::string& mode)
{
    if (mode == "refuse")
        refuse();
    else if (mode == "never")
        hangsOnQuit = true;
    else if (const auto wait = parseDelay(mode))
        delay(*wait);
    else
        return mode == "at-once";
    return true;
}

void TerminationSignal::refuse()
{
    isRefusing = true;
}

void TerminationSignal::delay(std::chrono::milliseconds delay)
{
    quitDelay = delay;
}

bool TerminationSignal::quitDue()
{
    if (quitRequested && !deadline && !isHanging) {
        quitRequested = 0;
        if (isRefusing) {
            MailLog::write("Quit request ignored");
            return false;
        }
        isHanging = hangsOnQuit;
        if (!isHanging)
            deadline = std::chrono::steady_clock::now() + quitDelay;
    }
    return deadline && std::chrono::steady_clock::now() >= *deadline;
}
