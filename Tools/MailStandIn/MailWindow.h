// SPDX-License-Identifier: MIT
#pragma once

#include <objc/runtime.h>

// Mail's viewer window: a MailTableView in an NSWindow whose delegate is a MessageViewer.
// Launched without activation, the window exists but is never ordered front.
class MailWindow {
public:
    explicit MailWindow(bool orderFront);
    ~MailWindow();
    MailWindow(const MailWindow&) = delete;
    MailWindow& operator=(const MailWindow&) = delete;

    id messageList() const { return tableView; }
    bool isVisible() const;

private:
    id window = nil;
    id tableView = nil;
    id viewer = nil;
    id dataSource = nil;
};
