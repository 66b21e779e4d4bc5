// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

struct Notification {
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

// String-named notifications delivered synchronously, on the posting thread, to every observer
// registered for the name (and for the object, when an observer names one).
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // object nullptr: notifications from any sender.
    void addObserver(const void* observer, const QString& name, const void* object, Handler handler);
    void removeObserver(const void* observer);
    void postNotification(const QString& name, const void* object, const QVariantMap& userInfo = {});

private:
    struct Registration {
        const void* observer;
        QString name;
        const void* object;
        Handler handler;
        unsigned long long serial;
    };
    std::vector<Registration> m_registrations;
    unsigned long long m_nextSerial = 0;
};
