// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Presses Return in the viewable top-level window of that title on the X server in DISPLAY, as the
// user does to answer the alert in front of it with its default button. False without such a window.
bool pressReturnInWindow(const std::string& title);
