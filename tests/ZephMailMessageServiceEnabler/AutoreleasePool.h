// SPDX-License-Identifier: MIT
// Drains an autorelease pool at the end of a scope. Tests catch the exceptions they expect
// inside the scope, so the pool never drains while an exception object is in flight.
#pragma once

#include "ObjCMessaging.h"

class AutoreleasePool {
public:
    AutoreleasePool()
        : pool_(ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSAutoreleasePool"), "alloc"), "init"))
    {
    }
    ~AutoreleasePool() { ObjC::release(pool_); }

    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

private:
    id pool_;
};
