// SPDX-License-Identifier: MIT
#pragma once

// Records a diagnostic backtrace of the calling thread under the given event name and kind, in
// the system log, and returns; control flow goes on normally.
void ZBRecordBacktrace(const char* event, int kind);
