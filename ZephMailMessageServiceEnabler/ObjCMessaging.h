// SPDX-License-Identifier: MIT
// Typed message sends over the Objective-C runtime's C API, for C++ code that lives in an
// Objective-C process. The signature is spelled once per send, as the method declares it:
//
//     BOOL written = ObjC::send<BOOL(id, id)>(pasteboard, "setString:forType:", text, type);
//     long count = ObjC::send<long()>(array, "count");
//
// Arguments are converted to the signature's parameter types before the call, so a literal 0
// becomes a 64-bit integer or a double as the method expects. A nil receiver gives a
// value-initialized result (nil, NO, 0, 0.0 or a zeroed struct) without calling anything.
#pragma once

#include <objc/message.h>
#include <objc/runtime.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace ObjC {

inline SEL selector(SEL selector)
{
    return selector;
}
inline SEL selector(const char* name)
{
    return sel_registerName(name);
}

inline id object(id object)
{
    return object;
}
inline id object(Class objectClass)
{
    return reinterpret_cast<id>(objectClass);
}

template <typename Result> Result nilResult()
{
    if constexpr (!std::is_void_v<Result>)
        return Result{};
}

// The implementation that a message to the receiver runs, found the way the runtime's own
// dispatch finds it (forwarding included). Apple's runtime dispatches through its messengers,
// large structures being returned through the stret variant on x86-64.
template <typename Result> IMP lookup(id receiver, SEL selector)
{
#if defined(__GNU_LIBOBJC__)
    return objc_msg_lookup(receiver, selector);
#else
    (void)receiver;
    (void)selector;
#if defined(__x86_64__)
    if constexpr (std::is_class_v<Result> && sizeof(Result) > 16)
        return reinterpret_cast<IMP>(objc_msgSend_stret);
#endif
    return reinterpret_cast<IMP>(objc_msgSend);
#endif
}

// Implementations are stored untyped; the generic function pointer step keeps the conversion
// to the method's own type free of cast warnings.
template <typename Function> Function functionCast(IMP implementation)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(implementation));
}

// A C++ function with the (self, _cmd, arguments...) shape, as an implementation for the runtime.
template <typename Result, typename... Parameters>
IMP implementation(Result (*function)(id, SEL, Parameters...))
{
    return reinterpret_cast<IMP>(reinterpret_cast<void (*)()>(function));
}

template <typename Signature> struct Message;

template <typename Result, typename... Parameters> struct Message<Result(Parameters...)> {
    using Function = Result (*)(id, SEL, Parameters...);

    // Calls an implementation that the caller already holds, such as a saved original.
    static Result call(IMP implementation, id receiver, SEL selector, Parameters... arguments)
    {
        if (receiver == nil || implementation == nullptr)
            return nilResult<Result>();
        return functionCast<Function>(implementation)(receiver, selector, arguments...);
    }

    static Result send(id receiver, SEL selector, Parameters... arguments)
    {
        if (receiver == nil)
            return nilResult<Result>();
        return call(lookup<Result>(receiver, selector), receiver, selector, arguments...);
    }

    // Runs the superclass's implementation for the receiver, as [super message] does.
    static Result sendSuper(id receiver, Class superclass, SEL selector, Parameters... arguments)
    {
        if (receiver == nil)
            return nilResult<Result>();
        objc_super super{receiver, superclass};
#if defined(__GNU_LIBOBJC__)
        return call(objc_msg_lookup_super(&super, selector), receiver, selector, arguments...);
#else
        using SuperFunction = Result (*)(objc_super*, SEL, Parameters...);
        return functionCast<SuperFunction>(reinterpret_cast<IMP>(objc_msgSendSuper))(&super, selector,
                                                                                     arguments...);
#endif
    }
};

// Methods with a variable argument list, such as a format and its arguments.
template <typename Result, typename... Parameters> struct Message<Result(Parameters..., ...)> {
    template <typename... Variadic>
    static Result send(id receiver, SEL selector, Parameters... arguments, Variadic... variadic)
    {
        if (receiver == nil)
            return nilResult<Result>();
        using Function = Result (*)(id, SEL, Parameters..., ...);
        auto function = functionCast<Function>(lookup<Result>(receiver, selector));
        return function(receiver, selector, arguments..., variadic...);
    }
};

template <typename Signature, typename Receiver, typename Selector, typename... Arguments>
auto send(Receiver receiver, Selector name, Arguments&&... arguments)
{
    return Message<Signature>::send(object(receiver), selector(name), std::forward<Arguments>(arguments)...);
}

template <typename Signature, typename Receiver, typename Selector, typename... Arguments>
auto sendSuper(Receiver receiver, Class superclass, Selector name, Arguments&&... arguments)
{
    return Message<Signature>::sendSuper(object(receiver), superclass, selector(name),
                                         std::forward<Arguments>(arguments)...);
}

template <typename Signature, typename Receiver, typename... Arguments>
auto call(IMP implementation, Receiver receiver, SEL selector, Arguments&&... arguments)
{
    return Message<Signature>::call(implementation, object(receiver), selector,
                                    std::forward<Arguments>(arguments)...);
}

inline Class classNamed(const char* name)
{
    return objc_getClass(name);
}

inline void release(id object)
{
    send<void()>(object, "release");
}

struct Releaser {
    void operator()(objc_object* object) const { release(object); }
};

// An object reference that the holder owns (alloc/init, copy, new or retain) and releases once.
using Owned = std::unique_ptr<objc_object, Releaser>;

inline Owned retained(id object)
{
    return Owned(send<id()>(object, "retain"));
}

// A string the caller owns; the runtime's autorelease pools are not needed for it.
inline Owned string(const char* text)
{
    return Owned(
        send<id(const char*)>(send<id()>(classNamed("NSString"), "alloc"), "initWithUTF8String:", text));
}

inline const char* utf8(id string)
{
    return send<const char*()>(string, "UTF8String");
}

} // namespace ObjC
