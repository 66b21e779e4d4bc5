// SPDX-License-Identifier: MIT
#pragma once

#include "MailBundleInstaller.h"

#include <functional>

// Counts the calls of a completion callback and keeps what the last one was given.
class InstallationCompletionRecorder {
public:
    int calls = 0;
    std::optional<Error> error;
    MailBundleInstaller* installer = nullptr;
    // Runs inside the callback, to look at the system at the moment the outcome is reported.
    std::function<void()> onCall;

    MailBundleInstaller::Completion callback()
    {
        return [this](MailBundleInstaller* calledInstaller, const std::optional<Error>& calledError) {
            ++calls;
            installer = calledInstaller;
            error = calledError;
            if (onCall)
                onCall();
        };
    }
};
