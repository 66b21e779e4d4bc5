// SPDX-License-Identifier: MIT
#include "ControlRequestHandler.h"

#include "BundleLoader.h"
#include "LineEscaping.h"
#include "MailWindow.h"
#include "SampleMessages.h"
#include "TerminationSignal.h"

#include <ObjCMessaging.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

extern "C" id NSStringPboardType;

namespace {

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

// Runs a Services "send" the way AppKit does: ask the message list for a requestor, have it
// write its selection to a fresh pasteboard, read the plain text back.
std::string performServicesRequest(id messageList)
{
    id requestor =
        ObjC::send<id(id, id)>(messageList, "validRequestorForSendType:returnType:", NSStringPboardType, nil);
    if (requestor == nil)
        return "no-requestor";
    id pasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "pasteboardWithUniqueName");
    id types = ObjC::send<id(id)>(ObjC::classNamed("NSArray"), "arrayWithObject:", NSStringPboardType);
    BOOL written =
        ObjC::send<BOOL(id, id)>(requestor, "writeSelectionToPasteboard:types:", pasteboard, types);
    id text = ObjC::send<id(id)>(pasteboard, "stringForType:", NSStringPboardType);
    std::string result = text ? ObjC::utf8(text) : "";
    ObjC::send<void()>(pasteboard, "releaseGlobally");
    if (!written)
        return "error writeSelectionToPasteboard:types: answered NO";
    if (text == nil)
        return "error the Services pasteboard holds no string";
    return "text " + LineEscaping::escape(result);
}

} // namespace

std::string ControlRequestHandler::answer(const std::string& request)
{
    auto space = request.find(' ');
    std::string command = request.substr(0, space);
    std::string arguments = space == std::string::npos ? "" : request.substr(space + 1);
    if (command == "ping")
        return "pong";
    if (command == "select")
        return select(arguments);
    if (command == "services")
        return services();
    if (command == "status")
        return status();
    if (command == "quit") {
        quitting = true;
        return "ok";
    }
    if (command == "refuse-quit") {
        context.termination.refuse();
        return "ok";
    }
    if (command == "delay-quit")
        return delayQuit(arguments);
    return "error unknown request \"" + command + "\"";
}

std::string ControlRequestHandler::select(const std::string& arguments)
{
    std::string list = arguments;
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream words(list);
    std::vector<std::size_t> indices;
    for (std::string word; words >> word;) {
        char* end = nullptr;
        unsigned long index = std::strtoul(word.c_str(), &end, 10);
        if (word[0] == '-' || *end != '\0')
            return "error not an index: \"" + word + "\"";
        indices.push_back(index);
    }
    std::string error;
    if (!context.messages.select(indices, &error))
        return "error " + error;
    return "ok " + std::to_string(indices.size()) + " selected";
}

std::string ControlRequestHandler::services()
{
    id pool = ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSAutoreleasePool"), "alloc"), "init");
    std::string response =
        context.window ? performServicesRequest(context.window->messageList()) : "no-requestor";
    ObjC::release(pool);
    return response;
}

std::string ControlRequestHandler::status() const
{
    const auto& identity = context.bundles.identity();
    return "pid=" + std::to_string(getpid()) +
           "\tlaunched-without-activation=" + yesNo(context.launchedWithoutActivation) +
           "\twindow-visible=" + yesNo(context.window && context.window->isVisible()) +
           "\tbundles-loaded=" + joined(context.bundles.loadedBundles()) +
           "\tbundles-moved=" + joined(context.bundles.movedBundles()) +
           "\tidentifiers=" + joined(identity.identifiers()) +
           "\tcompatibility-key=" + identity.compatibilityKey() +
           "\tquit=" + (context.termination.refusing() ? "refuse" : "accept");
}

std::string ControlRequestHandler::delayQuit(const std::string& arguments)
{
    const auto delay = TerminationSignal::parseDelay(arguments);
    if (!delay)
        return "error delay-quit needs seconds between 0 and 3600";
    context.termination.delay(*delay);
    return "ok";
}
