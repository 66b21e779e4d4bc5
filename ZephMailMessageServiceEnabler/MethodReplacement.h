// SPDX-License-Identifier: MIT
// Replacing and adding method implementations on classes of the host process. All functions
// act on instance methods of the class given; pass a metaclass to act on class methods.
#pragma once

#include <objc/runtime.h>

// Gives the class the new implementation for the selector and returns the one it answered
// before (own or inherited), or null, changing nothing, when it had none. A class that only
// inherits the method gets an own method, so its superclass and siblings keep theirs.
IMP ZBReplaceMethodImplementation(Class targetClass, SEL selector, IMP implementation);

// As ZBReplaceMethodImplementation, with the class's own or inherited implementation of
// replacementSelector.
IMP ZBReplaceMethodImplementationWithSelector(Class targetClass, SEL selector, SEL replacementSelector);

// As ZBReplaceMethodImplementation, with sourceClass's implementation of replacementSelector.
IMP ZBReplaceMethodImplementationWithSelectorOnClass(Class targetClass, SEL selector, Class sourceClass,
                                                     SEL replacementSelector);

// Installs replacementSelector's implementation for selector and returns the previous one for
// the replacement to call; when no class in the chain had the selector, adds it and returns null.
IMP ZBChainMethodImplementationWithSelector(Class targetClass, SEL selector, SEL replacementSelector);

// Registers the implementation of existingSelector under additionalSelector as well and returns
// it; null when the class has no method for existingSelector. An own method already registered
// under additionalSelector stays as it was.
IMP ZBRegisterInstanceMethodWithSelector(Class targetClass, SEL existingSelector, SEL additionalSelector);
