// SPDX-License-Identifier: MIT
#include "LoginItemsManager.h"

#include "Log.h"
#include "NotificationCenter.h"

#include <QTimer>

#include <mutex>

LoginItemsManager::LoginItemsManager(std::unique_ptr<LoginItemsList> list) : m_list(std::move(list))
{
    m_list->setChangeCallback([this] { sharedFileListChanged(); });
}

LoginItemsManager::~LoginItemsManager()
{
    m_list->setChangeCallback({});
}

LoginItemsManager* LoginItemsManager::sharedManager()
{
    // Lives until the process ends, as the system's own list would.
    static LoginItemsManager* sharedManager = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { sharedManager = create().release(); });
    return sharedManager;
}

std::unique_ptr<LoginItemsManager> LoginItemsManager::create()
{
    std::unique_ptr<LoginItemsList> list = LoginItemsList::createUserLoginItemsList();
    if (!list)
        return nullptr;
    return std::make_unique<LoginItemsManager>(std::move(list));
}

bool LoginItemsManager::hasLoginItemWithURL(const QUrl& url) const
{
    return copyLoginItemWithURL(url).has_value();
}

void LoginItemsManager::addLoginItemWithURL(const QUrl& url, bool hide)
{
    // The caller has nothing to show the user, but a failure must leave a trace.
    if (const std::optional<LoginItemsList::Item> item = copyLoginItemWithURL(url)) {
        if (!m_list->setHidden(*item, hide))
            Log::write(QStringLiteral("Unable to change the login item for %1").arg(url.toString()));
        return;
    }
    if (!m_list->insertItemLast(url, hide))
        Log::write(QStringLiteral("Unable to add a login item for %1").arg(url.toString()));
}

void LoginItemsManager::removeLoginItemWithURL(const QUrl& url)
{
    const std::optional<LoginItemsList::Item> item = copyLoginItemWithURL(url);
    if (!item)
        return;
    const int status = m_list->removeItem(*item);
    if (status != 0)
        Log::write(QStringLiteral("Error removing login item: %1").arg(status));
}

std::optional<LoginItemsList::Item> LoginItemsManager::copyLoginItemWithURL(const QUrl& url) const
{
    if (url.isEmpty())
        return std::nullopt;
    for (const LoginItemsList::Item& item : m_list->snapshot()) {
        if (item.url && url == *item.url)
            return item;
    }
    return std::nullopt;
}

void LoginItemsManager::sharedFileListChanged()
{
    QTimer::singleShot(0, this, &LoginItemsManager::delayedPostLoginItemsDidChangeNotification);
}

void LoginItemsManager::delayedPostLoginItemsDidChangeNotification()
{
    NotificationCenter::defaultCenter().postNotification(QString::fromLatin1(LoginItemsDidChangeNotification),
                                                         this);
}
