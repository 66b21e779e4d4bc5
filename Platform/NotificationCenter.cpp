// SPDX-License-Identifier: MIT
#include "NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, const QString& name, const void* object,
                                     Handler handler)
{
    m_registrations.push_back({observer, name, object, std::move(handler), m_nextSerial++});
}

void NotificationCenter::removeObserver(const void* observer)
{
    std::erase_if(m_registrations,
                  [observer](const Registration& registration) { return registration.observer == observer; });
}

void NotificationCenter::postNotification(const QString& name, const void* object,
                                          const QVariantMap& userInfo)
{
    const Notification notification{name, object, userInfo};
    // Observers may register or unregister while they are notified: deliver to the registrations
    // present at the post that are still registered when their turn comes.
    std::vector<unsigned long long> serials;
    for (const Registration& registration : m_registrations) {
        if (registration.name == name && (!registration.object || registration.object == object))
            serials.push_back(registration.serial);
    }
    for (unsigned long long serial : serials) {
        auto found = std::find_if(
            m_registrations.begin(), m_registrations.end(),
            [serial](const Registration& registration) { return registration.serial == serial; });
        if (found == m_registrations.end())
            continue;
        Handler handler = found->handler;
        handler(notification);
    }
}
