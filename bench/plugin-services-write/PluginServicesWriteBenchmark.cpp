// SPDX-License-Identifier: MIT
// Measures, side by side, how long a Services write keeps its caller waiting when Mail's Copy
// command writes every type at once and when it writes the last type on the next run-loop pass.
#include "MailHostDouble.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <vector>

using Milliseconds = std::chrono::duration<double, std::milli>;

namespace {

double medianMilliseconds(MailHostDouble::Copy copy, int repetitions, id messageList, id servicesPasteboard)
{
    std::vector<double> durations;
    MailHostDouble::scenario.copy = copy;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        ObjC::Owned pool = MailHostDouble::autoreleasePool();
        const auto start = std::chrono::steady_clock::now();
        MailHostDouble::write(messageList, servicesPasteboard);
        durations.push_back(Milliseconds(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(durations.begin(), durations.begin() + durations.size() / 2, durations.end());
    return durations[durations.size() / 2];
}

} // namespace

int main()
{
    ObjC::Owned pool = MailHostDouble::autoreleasePool();
    MailHostDouble::recordServicesRegistrations();
    MailHostDouble::defineMailClasses();
    if (dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL) == nullptr) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", dlerror());
        return 1;
    }
    // Mail's run loop always has sources; without one, runUntilDate: would return at once.
    MailHostDouble::send<id>(MailHostDouble::classObject("NSTimer"),
                             "scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:", 3600.0,
                             MailHostDouble::classObject("NSObject"), sel_registerName("self"), nil,
                             BOOL(NO));
    ObjC::Owned messageList(MailHostDouble::newObject("MailTableView"));
    id servicesPasteboard = MailHostDouble::newPasteboard();

    const double atOnce =
        medianMilliseconds(MailHostDouble::Copy::atOnce, 200, messageList.get(), servicesPasteboard);
    const double later =
        medianMilliseconds(MailHostDouble::Copy::later, 20, messageList.get(), servicesPasteboard);
    MailHostDouble::send<void>(servicesPasteboard, "releaseGlobally");

    std::printf("%-40s %12s\n", "Copy command", "median (ms)");
    std::printf("%-40s %12.3f\n", "writes every type at once", atOnce);
    std::printf("%-40s %12.3f\n", "writes the last type on the next pass", later);
    std::printf("ratio later / at once: %.0f\n", later / atOnce);
    return 0;
}
