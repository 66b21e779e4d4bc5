// SPDX-License-Identifier: MIT
#include "Error.h"

#include <QFileInfo>

#include <cstring>

QString Error::localizedDescription() const
{
    const QString description = m_userInfo.value(NSLocalizedDescriptionKey).toString();
    if (!description.isEmpty())
        return description;
    // Foundation words its file errors from the path when no description was given.
    const QString path = m_userInfo.value(NSFilePathErrorKey).toString();
    if (m_domain == QLatin1String(NSCocoaErrorDomain) && !path.isEmpty()) {
        const QString name = QFileInfo(path).fileName();
        switch (m_code) {
        case NSFileWriteUnknownError:
            return QStringLiteral("The file “%1” couldn’t be saved.").arg(name);
        case NSFileWriteNoPermissionError:
            return QStringLiteral("You don’t have permission to save the file “%1”.").arg(name);
        case NSFileNoSuchFileError:
            return QStringLiteral("The file “%1” doesn’t exist.").arg(name);
        default:
            break;
        }
    }
    return QStringLiteral("The operation couldn’t be completed. (%1 error %2.)").arg(m_domain).arg(m_code);
}

Error fileErrorFromErrno(int errorNumber, const QString& path, qint64 cocoaCode, const QString& description)
{
    QVariantMap underlying{{NSLocalizedDescriptionKey, QString::fromLocal8Bit(std::strerror(errorNumber))}};
    return Error(NSCocoaErrorDomain, cocoaCode,
                 {{NSLocalizedDescriptionKey, description},
                  {NSFilePathErrorKey, path},
                  {NSUnderlyingErrorKey, QVariantMap{{"domain", QString(NSPOSIXErrorDomain)},
                                                     {"code", errorNumber},
                                                     {"userInfo", underlying}}}});
}
