// SPDX-License-Identifier: MIT
#include "Error.h"

#include <QFileInfo>

#include <cstring>

QString Error::localizedDescription() const
{
    const QString description = m_userInfo.value(GBLocalizedDescriptionKey).toString();
    if (!description.isEmpty())
        return description;
    // Foundation words its file errors from the path when no description was given.
    const QString path = m_userInfo.value(GBFilePathErrorKey).toString();
    if (m_domain == QLatin1String(GBCocoaErrorDomain) && !path.isEmpty()) {
        const QString name = QFileInfo(path).fileName();
        switch (m_code) {
        case GBFileWriteUnknownError:
            return QStringLiteral("The file “%1” couldn’t be saved.").arg(name);
        case GBFileWriteNoPermissionError:
            return QStringLiteral("You don’t have permission to save the file “%1”.").arg(name);
        case GBFileNoSuchFileError:
            return QStringLiteral("The file “%1” doesn’t exist.").arg(name);
        default:
            break;
        }
    }
    return QStringLiteral("The operation couldn’t be completed. (%1 error %2.)").arg(m_domain).arg(m_code);
}

Error fileErrorFromErrno(int errorNumber, const QString& path, qint64 cocoaCode, const QString& description)
{
    QVariantMap underlying{{GBLocalizedDescriptionKey, QString::fromLocal8Bit(std::strerror(errorNumber))}};
    return Error(GBCocoaErrorDomain, cocoaCode,
                 {{GBLocalizedDescriptionKey, description},
                  {GBFilePathErrorKey, path},
                  {GBUnderlyingErrorKey, QVariantMap{{"domain", QString(GBPOSIXErrorDomain)},
                                                     {"code", errorNumber},
                                                     {"userInfo", underlying}}}});
}
