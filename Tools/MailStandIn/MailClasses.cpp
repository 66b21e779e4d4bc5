// SPDX-License-Identifier: MIT
#include "MailClasses.h"

#include "MailLog.h"

#include <ObjCMessaging.h>

extern "C" id NSStringPboardType;

namespace {

SampleMessages* sampleMessages = nullptr;
id sharedDataSource = nil;

id autoreleasedString(const std::string& text)
{
    return ObjC::send<id(const char*)>(ObjC::classNamed("NSString"), "stringWithUTF8String:", text.c_str());
}

const char* typesOf(const char* className, const char* selectorName)
{
    Method method = class_getInstanceMethod(ObjC::classNamed(className), sel_registerName(selectorName));
    return method ? method_getTypeEncoding(method) : nullptr;
}

long numberOfSelectedRows(id, SEL)
{
    return static_cast<long>(sampleMessages->selectedCount());
}

id dataSource(id, SEL)
{
    return sharedDataSource;
}

id selection(id, SEL)
{
    std::vector<id> strings;
    for (const auto& message : sampleMessages->selected())
        strings.push_back(autoreleasedString(message));
    return ObjC::send<id(id*, unsigned long)>(ObjC::classNamed("NSArray"),
                                              "arrayWithObjects:count:", strings.data(), strings.size());
}

void writeMessageData(id, SEL, id pasteboard)
{
    auto text = MailClasses::selectionText();
    id data = ObjC::send<id(const void*, unsigned long)>(ObjC::classNamed("NSData"),
                                                         "dataWithBytes:length:", text.data(), text.size());
    ObjC::send<BOOL(id, id)>(pasteboard, "setData:forType:", data,
                             autoreleasedString(MailClasses::messagePasteboardType));
}

// Declares both types, writes the plain text now and the raw messages on a later run-loop pass, so
// that whoever reads the pasteboard must let the run loop turn.
void copy(id self, SEL, id)
{
    id pasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "generalPasteboard");
    id types[] = {NSStringPboardType, autoreleasedString(MailClasses::messagePasteboardType)};
    id typeList = ObjC::send<id(id*, unsigned long)>(ObjC::classNamed("NSArray"),
                                                     "arrayWithObjects:count:", types, 2UL);
    ObjC::send<long(id, id)>(pasteboard, "declareTypes:owner:", typeList, nil);
    ObjC::send<BOOL(id, id)>(pasteboard,
                             "setString:forType:", autoreleasedString(MailClasses::selectionText()),
                             NSStringPboardType);
    ObjC::send<void(SEL, id, double)>(self, "performSelector:withObject:afterDelay:",
                                      sel_registerName("writeMessageData:"), pasteboard, 0.0);
}

// Any function pointer converts to IMP by way of the generic function type, which GCC accepts silently.
template <typename Function> IMP implementation(Function function)
{
    return reinterpret_cast<IMP>(reinterpret_cast<void (*)()>(function));
}

Class defineClass(const char* name, const char* superclassName)
{
    Class superclass = ObjC::classNamed(superclassName);
    if (superclass == nullptr || ObjC::classNamed(name) != nullptr)
        return nullptr;
    return objc_allocateClassPair(superclass, name, 0);
}

bool addMethod(Class target, const char* selectorName, IMP implementation, const char* types)
{
    return types != nullptr && class_addMethod(target, sel_registerName(selectorName), implementation, types);
}

bool registerMessageList()
{
    Class messageList = defineClass("MailTableView", "NSTableView");
    if (messageList == nullptr)
        return false;
    bool added = addMethod(messageList, "numberOfSelectedRows", implementation(numberOfSelectedRows),
                           typesOf("NSTableView", "numberOfSelectedRows")) &&
                 addMethod(messageList, "dataSource", implementation(dataSource),
                           typesOf("NSTableView", "dataSource"));
    objc_registerClassPair(messageList);
    return added;
}

bool registerDataSource()
{
    Class source = defineClass("MessageListDataSource", "NSObject");
    if (source == nullptr)
        return false;
    bool added = addMethod(source, "selection", implementation(selection), typesOf("NSObject", "self"));
    objc_registerClassPair(source);
    return added;
}

bool registerViewer()
{
    Class viewer = defineClass("MessageViewer", "NSObject");
    if (viewer == nullptr)
        return false;
    const char* actionTypes = typesOf("NSResponder", "mouseDown:");
    bool added = addMethod(viewer, "copy:", implementation(copy), actionTypes) &&
                 addMethod(viewer, "writeMessageData:", implementation(writeMessageData), actionTypes);
    objc_registerClassPair(viewer);
    return added;
}

} // namespace

bool MailClasses::registerClasses(SampleMessages* messages)
{
    sampleMessages = messages;
    if (registerMessageList() && registerDataSource() && registerViewer())
        return true;
    MailLog::write("Could not define Mail's message list classes");
    return false;
}

void MailClasses::setDataSource(id dataSource)
{
    sharedDataSource = dataSource;
}

std::string MailClasses::selectionText()
{
    std::string text;
    for (const auto& message : sampleMessages->selected())
        text += (text.empty() ? "" : "\n") + message;
    return text;
}
