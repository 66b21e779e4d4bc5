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
#include <pwd.h>
#include <string_view>
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
    id application = ObjC::send<id()>(ObjC::classNamed("NSApplication"), "sharedApplication");
    if (application == nil) {
        MailLog::write("Could not start the application (no display?)");
        return EXIT_FAILURE;
    }
    TerminationSignal termination;
    auto home = homeFolder();
    BundleLoader bundles(std::filesystem::path(home) / "Library" / "Mail",
                         MailIdentity::discover(executablePath(), environment("GRABBIT_SYSTEM_ROOT", "/")));
    if (MailPreferences::bundlesEnabled(home))
        bundles.loadBundles();

    MailWindow window(!withoutActivation);
    ControlRequestHandler handler({messages, window, bundles, termination, withoutActivation});
    ControlChannel channel(environment("GRABBIT_MAIL_CONTROL_SOCKET", home + "/.mail-stand-in.sock"),
                           [&handler](const std::string& request) { return handler.answer(request); });
    while (!handler.quitRequested() && !termination.quitDue()) {
        runOneSlice(application);
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
