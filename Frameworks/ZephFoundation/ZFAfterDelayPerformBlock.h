// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// Runs the block once, on the main thread, after the delay in seconds; returns at once.
void ZFAfterDelayPerformBlock(std::function<void()> block, double delay);
