// SPDX-License-Identifier: MIT
#include "MailWindow.h"

#include "MailClasses.h"

#include <ObjCMessaging.h>

namespace {

struct Point {
    double x, y;
};
struct Size {
    double width, height;
};
struct Rect {
    Point origin;
    Size size;
};

constexpr unsigned long titledClosableResizable = 1 | 2 | 8;
constexpr unsigned long backingStoreBuffered = 2;

id newInstance(const char* className)
{
    return ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed(className), "alloc"), "init");
}

} // namespace

MailWindow::MailWindow(bool orderFront)
{
    dataSource = newInstance("MessageListDataSource");
    MailClasses::setDataSource(dataSource);
    viewer = newInstance("MessageViewer");

    Rect frame{{120, 120}, {720, 420}};
    window = ObjC::send<id(Rect, unsigned long, unsigned long, BOOL)>(
        ObjC::send<id()>(ObjC::classNamed("NSWindow"), "alloc"),
        "initWithContentRect:styleMask:backing:defer:", frame, titledClosableResizable, backingStoreBuffered,
        NO);
    ObjC::send<void(BOOL)>(window, "setReleasedWhenClosed:", NO);
    ObjC::send<void(id)>(window, "setTitle:", ObjC::string("Inbox").get());
    ObjC::send<void(id)>(window, "setDelegate:", viewer);

    Rect listFrame{{0, 0}, frame.size};
    tableView = ObjC::send<id(Rect)>(ObjC::send<id()>(ObjC::classNamed("MailTableView"), "alloc"),
                                     "initWithFrame:", listFrame);
    ObjC::send<void(id)>(ObjC::send<id()>(window, "contentView"), "addSubview:", tableView);

    if (!orderFront)
        return;
    ObjC::send<void(id)>(window, "makeKeyAndOrderFront:", nil);
    id application = ObjC::send<id()>(ObjC::classNamed("NSApplication"), "sharedApplication");
    ObjC::send<void(BOOL)>(application, "activateIgnoringOtherApps:", YES);
}

MailWindow::~MailWindow()
{
    ObjC::send<void(id)>(window, "orderOut:", nil);
    ObjC::send<void(id)>(window, "setDelegate:", nil);
    ObjC::release(tableView);
    ObjC::release(window);
    ObjC::release(viewer);
    MailClasses::setDataSource(nil);
    ObjC::release(dataSource);
}

bool MailWindow::isVisible() const
{
    return ObjC::send<BOOL()>(window, "isVisible");
}
