// SPDX-License-Identifier: MIT
// Measures, side by side, the time from Mail's Copy command starting to the Services write's
// answer when the command writes every type at once and when it writes the last type on the
// next run-loop pass.
#include "AutoreleasePool.h"
#include "MailHostDouble.h"
#include "ServicesRegistrationRecorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <vector>

using namespace MailHostDouble;
using Milliseconds = std::chrono::duration<double, std::milli>;

namespace {

struct Measurement {
    double medianMilliseconds;
    double runLoopSlicesPerWrite;
};

Measurement measure(CopyBehaviour behaviour, int repetitions, id messageList, id servicesPasteboard)
{
    std::vector<double> durations;
    scenario.runLoopSlices = 0;
    scenario.copyBehaviour = behaviour;
    id types = ObjC::send<id(id)>(ObjC::classNamed("NSArray"), "arrayWithObject:", NSStringPboardType);
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        AutoreleasePool pool;
        ObjC::send<BOOL(id, id)>(messageList, "writeSelectionToPasteboard:types:", servicesPasteboard, types);
        durations.push_back(Milliseconds(std::chrono::steady_clock::now() - scenario.copyStarted).count());
    }
    std::nth_element(durations.begin(), durations.begin() + durations.size() / 2, durations.end());
    return {durations[durations.size() / 2], double(scenario.runLoopSlices) / repetitions};
}

} // namespace

int main()
{
    AutoreleasePool pool;
    defineMailClasses();
    countRunLoopSlices();
    keepRunLoopBusy();
    ServicesRegistrationRecorder::install();
    if (dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL) == nullptr) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", dlerror());
        return 1;
    }
    scenario.selection = ObjC::send<id(id, ...)>(
        ObjC::classNamed("NSArray"), "arrayWithObjects:", stringObject("From: Ann\n\nFirst message"),
        stringObject("From: Bob\n\nSecond message"), nil);
    ObjC::Owned messageList(RuntimeTestSupport::newObject(ObjC::classNamed("MailTableView")));
    id servicesPasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "pasteboardWithUniqueName");

    Measurement atOnce = measure(CopyBehaviour::writesAtOnce, 200, messageList.get(), servicesPasteboard);
    Measurement later =
        measure(CopyBehaviour::writesSecondTypeLater, 20, messageList.get(), servicesPasteboard);
    ObjC::send<void()>(servicesPasteboard, "releaseGlobally");

    std::printf("%-40s %12s %16s\n", "Copy command", "median (ms)", "run-loop slices");
    std::printf("%-40s %12.3f %16.1f\n", "writes every type at once", atOnce.medianMilliseconds,
                atOnce.runLoopSlicesPerWrite);
    std::printf("%-40s %12.3f %16.1f\n", "writes the last type on the next pass", later.medianMilliseconds,
                later.runLoopSlicesPerWrite);
    std::printf("ratio later / at once: %.0f\n", later.medianMilliseconds / atOnce.medianMilliseconds);
    return 0;
}
