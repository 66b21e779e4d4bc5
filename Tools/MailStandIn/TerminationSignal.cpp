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

bool TerminationSignal::setMode(const std::string& mode)
{
    char* end = nullptr;
    const double seconds = std::strtod(mode.c_str(), &end);
    if (mode == "refuse")
        refuse();
    else if (mode == "never")
        hangsOnQuit = true;
    else if (!mode.empty() && *end == '\0' && std::isfinite(seconds) && seconds >= 0 && seconds <= 3600)
        delay(std::chrono::milliseconds(std::lround(seconds * 1000)));
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
