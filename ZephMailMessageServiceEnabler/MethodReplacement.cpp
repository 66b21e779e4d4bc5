// SPDX-License-Identifier: MIT
#include "MethodReplacement.h"

#include "ObjCMessaging.h"

#if defined(__GNU_LIBOBJC__)
// GCC's libobjc updates only the owner's dispatch table when an implementation is set, so
// subclasses that already built their own table would keep calling the old implementation.
// This runtime function rebuilds the table of a class and, recursively, of its subclasses.
extern "C" void __objc_update_dispatch_table_for_class(Class);
#endif

namespace {

constexpr long implementationChangedLine = 44;
constexpr long missingSelectorLine = 59;
constexpr long missingSelectorOnClassLine = 67;
constexpr long missingChainSelectorLine = 75;

constexpr const char* missingSelectorDescription = "Couldn't get Method for new selector";

ObjC::Owned stringOr(const char* text, const char* fallback)
{
    ObjC::Owned string = ObjC::string(text);
    return string ? std::move(string) : ObjC::string(fallback);
}

// Hands the failure to the thread's assertion handler, which by default raises.
void reportAssertionFailure(const char* function, long line, const char* description)
{
    ObjC::Owned functionName = stringOr(function, "<Unknown Function>");
    ObjC::Owned fileName = stringOr(__FILE__, "<Unknown File>");
    ObjC::Owned format = ObjC::string("%@");
    ObjC::Owned descriptionText = ObjC::string(description);
    id handler = ObjC::send<id()>(ObjC::classNamed("NSAssertionHandler"), "currentHandler");
    ObjC::send<void(id, id, long, id, ...)>(
        handler, "handleFailureInFunction:file:lineNumber:description:", functionName.get(), fileName.get(),
        line, format.get(), descriptionText.get());
}

void refreshDispatchTables(Class owner)
{
#if defined(__GNU_LIBOBJC__)
    __objc_update_dispatch_table_for_class(owner);
#else
    (void)owner;
#endif
}

bool onlyInherits(Class targetClass, SEL selector, Method method)
{
    Class superclass = class_getSuperclass(targetClass);
    return superclass != Nil && class_getInstanceMethod(superclass, selector) == method;
}

} // namespace

IMP ZBReplaceMethodImplementation(Class targetClass, SEL selector, IMP implementation)
{
    Method method = class_getInstanceMethod(targetClass, selector);
    if (method == nullptr)
        return nullptr;
    IMP previous = method_getImplementation(method);
    if (onlyInherits(targetClass, selector, method)) {
        class_addMethod(targetClass, selector, implementation, method_getTypeEncoding(method));
        return previous;
    }
    IMP handedBack = method_setImplementation(method, implementation);
    refreshDispatchTables(targetClass);
    if (handedBack != previous)
        reportAssertionFailure("IMP ZBReplaceMethodImplementation(Class, SEL, IMP)",
                               implementationChangedLine,
                               "method_setImplementation is supposed to return the old implementation, but "
                               "we already grabbed it.");
    return previous;
}

// When an assertion handler returns instead of raising after a missing new selector, the
// class is left unchanged: installing a null implementation would break every later call.
IMP ZBReplaceMethodImplementationWithSelector(Class targetClass, SEL selector, SEL replacementSelector)
{
    Method replacement = class_getInstanceMethod(targetClass, replacementSelector);
    if (replacement == nullptr) {
        reportAssertionFailure("IMP ZBReplaceMethodImplementationWithSelector(Class, SEL, SEL)",
                               missingSelectorLine, missingSelectorDescription);
        return nullptr;
    }
    return ZBReplaceMethodImplementation(targetClass, selector, method_getImplementation(replacement));
}

IMP ZBReplaceMethodImplementationWithSelectorOnClass(Class targetClass, SEL selector, Class sourceClass,
                                                     SEL replacementSelector)
{
    Method replacement = class_getInstanceMethod(sourceClass, replacementSelector);
    if (replacement == nullptr) {
        reportAssertionFailure("IMP ZBReplaceMethodImplementationWithSelectorOnClass(Class, SEL, Class, SEL)",
                               missingSelectorOnClassLine, missingSelectorDescription);
        return nullptr;
    }
    return ZBReplaceMethodImplementation(targetClass, selector, method_getImplementation(replacement));
}

IMP ZBChainMethodImplementationWithSelector(Class targetClass, SEL selector, SEL replacementSelector)
{
    Method replacement = class_getInstanceMethod(targetClass, replacementSelector);
    if (replacement == nullptr) {
        reportAssertionFailure("IMP ZBChainMethodImplementationWithSelector(Class, SEL, SEL)",
                               missingChainSelectorLine, missingSelectorDescription);
        return nullptr;
    }
    IMP implementation = method_getImplementation(replacement);
    IMP previous = ZBReplaceMethodImplementation(targetClass, selector, implementation);
    if (previous != nullptr)
        return previous;
    class_addMethod(targetClass, selector, implementation, method_getTypeEncoding(replacement));
    return nullptr;
}

IMP ZBRegisterInstanceMethodWithSelector(Class targetClass, SEL existingSelector, SEL additionalSelector)
{
    Method existing = class_getInstanceMethod(targetClass, existingSelector);
    if (existing == nullptr)
        return nullptr;
    IMP implementation = method_getImplementation(existing);
    class_addMethod(targetClass, additionalSelector, implementation, method_getTypeEncoding(existing));
    return implementation;
}
