// SPDX-License-Identifier: MIT
#include "XWindowKeys.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

bool isViewableWithTitle(Display* display, Window window, const std::string& title)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    // Qt writes the title as UTF-8, which XFetchName refuses; the raw bytes compare as they are.
    XTextProperty name{};
    if (!XGetWMName(display, window, &name) || name.value == nullptr)
        return false;
    const bool matches = title == std::string(reinterpret_cast<const char*>(name.value), name.nitems);
    XFree(name.value);
    return matches;
}

Window findWindow(Display* display, Window parent, const std::string& title)
{
    Window root = 0;
    Window parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int index = 0; index < count && found == 0; ++index) {
        if (isViewableWithTitle(display, children[index], title))
            found = children[index];
        else
            found = findWindow(display, children[index], title);
    }
    if (children)
        XFree(children);
    return found;
}

void sendKey(Display* display, Window window, int type)
{
    XKeyEvent event{};
    event.type = type;
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, XK_Return);
    XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
               reinterpret_cast<XEvent*>(&event));
}

} // namespace

bool pressReturnInWindow(const std::string& title)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    const Window window = findWindow(display, DefaultRootWindow(display), title);
    if (window != 0) {
        sendKey(display, window, KeyPress);
        sendKey(display, window, KeyRelease);
        XFlush(display);
    }
    XCloseDisplay(display);
    return window != 0;
}
