// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class BundleLoader;
class MailWindow;
class SampleMessages;
class TerminationSignal;

// Answers the requests of the control channel (see MailStandIn.h for the protocol).
class ControlRequestHandler {
public:
    struct Context {
        SampleMessages& messages;
        // None without a display.
        const MailWindow* window;
        const BundleLoader& bundles;
        TerminationSignal& termination;
        bool launchedWithoutActivation;
    };

    explicit ControlRequestHandler(Context context) : context(context) {}

    std::string answer(const std::string& request);
    bool quitRequested() const { return quitting; }

private:
    std::string select(const std::string& arguments);
    std::string services();
    std::string status() const;
    std::string delayQuit(const std::string& arguments);

    Context context;
    bool quitting = false;
};
