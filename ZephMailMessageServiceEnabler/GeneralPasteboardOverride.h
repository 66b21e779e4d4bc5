// SPDX-License-Identifier: MIT
// Puts a pasteboard in place of the general pasteboard for one scope and takes it away again
// however the scope is left, an Objective-C exception from the host included.
#pragma once

#include <objc/runtime.h>

class GeneralPasteboardOverride {
public:
    // A write that starts while another one waits gets the outer proxy back when it ends, so
    // the outer write's late data still reaches its own pasteboard.
    GeneralPasteboardOverride(id& override, id pasteboard) : override_(override), previous_(override)
    {
        override_ = pasteboard;
    }
    ~GeneralPasteboardOverride() { override_ = previous_; }

    GeneralPasteboardOverride(const GeneralPasteboardOverride&) = delete;
    GeneralPasteboardOverride& operator=(const GeneralPasteboardOverride&) = delete;

private:
    id& override_;
    id previous_;
};
