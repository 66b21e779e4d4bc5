// SPDX-License-Identifier: MIT
// Stands in for the shared application where no X display is at hand: NSApplication's
// sharedApplication answers an object that records the Services types registered with it.
#pragma once

#include "ObjCMessaging.h"
#include "RuntimeTestSupport.h"

#include <string>

namespace ServicesRegistrationRecorder {

struct Registration {
    int count = 0;
    std::string sendTypes, returnTypes;
};
inline Registration registration;
inline id recorder = nil;

inline std::string describe(id array)
{
    return RuntimeTestSupport::text(ObjC::send<id(id)>(
        array, "componentsJoinedByString:",
        ObjC::send<id(const char*)>(ObjC::classNamed("NSString"), "stringWithUTF8String:", ",")));
}

inline void install()
{
    Class recorderClass =
        RuntimeTestSupport::defineClass("ServicesRegistrationRecorder", ObjC::classNamed("NSObject"));
    RuntimeTestSupport::addMethod(
        recorderClass, "registerServicesMenuSendTypes:returnTypes:",
        +[](id, SEL, id sendTypes, id returnTypes) {
            registration = {registration.count + 1, describe(sendTypes), describe(returnTypes)};
        },
        "v32@0:8@16@24");
    recorder = RuntimeTestSupport::newObject(recorderClass).release();
    Class applicationMetaclass = RuntimeTestSupport::metaclassOf(ObjC::classNamed("NSApplication"));
    method_setImplementation(
        class_getInstanceMethod(applicationMetaclass, sel_registerName("sharedApplication")),
        ObjC::implementation(+[](id, SEL) { return recorder; }));
}

} // namespace ServicesRegistrationRecorder
