// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// The current thread's run loop and the clock the engine waits by.
namespace RunLoop {

// Seconds since 2001-01-01 00:00:00 UTC, as NSDate's timeIntervalSinceReferenceDate.
double timeIntervalSinceReferenceDate();

// Runs the current thread's Qt event loop for that many seconds (sleeps when there is none).
// The slice lasts its time also once the application has been asked to quit.
void runForSeconds(double seconds);

// On a thread with an event dispatcher: processes its events, sleeping while there are none,
// until `finished` answers true. It is asked after every pass, so something the loop delivers (a
// timer, a descriptor) must wake it, and once it has answered true it must keep doing so. The wait
// keeps its rule also once the application has been asked to quit, when every QEventLoop::exec
// returns at once and a wait built on one would spin.
void runUntil(const std::function<bool()>& finished);

} // namespace RunLoop
