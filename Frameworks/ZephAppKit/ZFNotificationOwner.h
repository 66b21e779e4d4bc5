// SPDX-License-Identifier: MIT
#pragma once

#include "UserNotificationCenter.h"

// An object that answers the user-notification calls for the notifications it owns; the
// application controller routes each call to the first owner that claims the notification.
class ZFNotificationOwner : public virtual UserNotificationCenter::Delegate {
public:
    virtual bool ownsNotification(const UserNotificationCenter::Notification& notification) = 0;
};
