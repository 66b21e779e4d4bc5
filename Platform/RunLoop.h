// SPDX-License-Identifier: MIT
#pragma once

// The current thread's run loop and the clock the engine waits by.
namespace RunLoop {

// Seconds since 2001-01-01 00:00:00 UTC, as NSDate's timeIntervalSinceReferenceDate.
double timeIntervalSinceReferenceDate();

// Runs the current thread's Qt event loop for that many seconds (sleeps when there is none).
void runForSeconds(double seconds);

} // namespace RunLoop
