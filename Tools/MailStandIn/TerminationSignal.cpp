// SPDX-License-Identifier: MIT
#include "TerminationSignal.h"

#include "MailLog.h"

#include <csignal>

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
    if (quitRequested && !deadline) {
        quitRequested = 0;
        if (isRefusing) {
            MailLog::write("Quit request ignored");
            return false;
        }
        deadline = std::chrono::steady_clock::now() + quitDelay;
    }
    return deadline && std::chrono::steady_clock::now() >= *deadline;
}
