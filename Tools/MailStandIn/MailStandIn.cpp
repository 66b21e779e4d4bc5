// SPDX-License-Identifier: MIT
#include "MailStandIn.h"

#include "BundleLoader.h"
#include "ControlChannel.h"
#include "ControlRequestHandler.h"
#include "MailClasses.h"
#include "MailLog.h"
#include "MailPreferences.h"
#include "MailWindow.h"
#include "SampleMessages.h"
#include "TerminationSignal.h"

#include <ObjCMessaging.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <thread>
#include <unistd.h>

extern "C" id NSDefaultRunLoopMode;

namespace {

constexpr unsigned long anyEventMask = 0xffffffffUL;
constexpr double runLoopSliceSeconds = 0.02;

std::string environment(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string homeFolder()
{
    const passwd* user = getpwuid(getuid());
    return environment("HOME", user ? user->pw_dir : "/");
}

std::string executablePath()
{
    std::error_code status;
    auto path = std::filesystem::read_symlink("/proc/self/exe", status);
    return status ? std::string() : path.string();
}

bool hasArgument(int count, char** arguments, std::string_view wanted)
{
    for (int index = 1; index < count; ++index) {
        if (arguments[index] == wanted)
            return true;
    }
    return false;
}

id newAutoreleasePool()
{
    return ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSAutoreleasePool"), "alloc"), "init");
}

// One pass of the application's event loop: waits up to one slice for an event and delivers it.
// Timers and delayed performs of the run loop fire meanwhile.
void runOneSlice(id application)
{
    id pool = newAutoreleasePool();
    id limit = ObjC::send<id(double)>(ObjC::classNamed("NSDate"),
                                      "dateWithTimeIntervalSinceNow:", runLoopSliceSeconds);
    id event = ObjC::send<id(unsigned long, id, id, BOOL)>(
        application, "nextEventMatchingMask:untilDate:inMode:dequeue:", anyEventMask, limit,
        NSDefaultRunLoopMode, YES);
    if (event != nil)
        ObjC::send<void(id)>(application, "sendEvent:", event);
    ObjC::release(pool);
}

int runApplication(bool withoutActivation)
{
    SampleMessages messages;
    if (!MailClasses::registerClasses(&messages))
        return EXIT_FAILURE;
    // Without a display there is no application object and no window; quitting, relaunching and
    // the control channel still work as they do with one.
    const bool withDisplay = !environment("DISPLAY", "").empty();
    id application =
        withDisplay ? ObjC::send<id()>(ObjC::classNamed("NSApplication"), "sharedApplication") : nil;
    if (withDisplay && application == nil) {
        MailLog::write("Could not start the application (no display?)");
        return EXIT_FAILURE;
    }
    // After the application object, whose start-up installs handlers of its own.
    TerminationSignal termination;
    if (!termination.setMode(environment("GRABBIT_MAIL_QUIT", "at-once")))
        MailLog::write("GRABBIT_MAIL_QUIT is not at-once, refuse, never or seconds; quitting at once");
    auto home = homeFolder();
    BundleLoader bundles(std::filesystem::path(home) / "Library" / "Mail",
                         MailIdentity::discover(executablePath(), environment("GRABBIT_SYSTEM_ROOT", "/")));
    if (!withDisplay)
        MailLog::write("No display: no window, and plug-ins are not loaded");
    else if (MailPreferences::bundlesEnabled(home))
        bundles.loadBundles();

    std::optional<MailWindow> window;
    if (withDisplay)
        window.emplace(!withoutActivation);
    ControlRequestHandler handler(
        {messages, window ? &*window : nullptr, bundles, termination, withoutActivation});
    ControlChannel channel(environment("GRABBIT_MAIL_CONTROL_SOCKET", home + "/.mail-stand-in.sock"),
                           [&handler](const std::string& request) { return handler.answer(request); });
    while (!handler.quitRequested() && !termination.quitDue()) {
        if (withDisplay)
            runOneSlice(application);
        else
            std::this_thread::sleep_for(std::chrono::duration<double>(runLoopSliceSeconds));
        if (!termination.hangs())
            channel.poll();
    }
    MailLog::write("Quitting");
    return EXIT_SUCCESS;
}

} // namespace

int MailStandIn::run(int argumentCount, char** arguments)
{
    id pool = newAutoreleasePool();
    int status = EXIT_FAILURE;
    try {
        status = runApplication(hasArgument(argumentCount, arguments, "--without-activation"));
    } catch (...) {
        MailLog::write("Terminating on an uncaught exception (is DISPLAY an X server that accepts us?)");
    }
    ObjC::release(pool);
    return status;
}
