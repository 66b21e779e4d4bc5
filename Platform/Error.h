// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariantMap>

// Keys and domains shared with Foundation's error objects. Ours are named GB… so that a file that
// includes Foundation, where the NS… names are declared, can use both.
inline constexpr char GBCocoaErrorDomain[] = "NSCocoaErrorDomain";
inline constexpr char GBPOSIXErrorDomain[] = "NSPOSIXErrorDomain";
inline constexpr char GBLocalizedDescriptionKey[] = "NSLocalizedDescription";
inline constexpr char GBFilePathErrorKey[] = "NSFilePath";
inline constexpr char GBUnderlyingErrorKey[] = "NSUnderlyingError";

// Foundation's file error codes that the system hands on.
enum : qint64 {
    GBFileNoSuchFileError = 4,
    GBFileReadUnknownError = 256,
    GBFileReadNoPermissionError = 257,
    GBFileWriteUnknownError = 512,
    GBFileWriteNoPermissionError = 513,
    GBFileWriteOutOfSpaceError = 640,
};

// An error object: a domain, a code and user information whose localized description is the
// message for the user.
class Error {
public:
    Error() = default;
    Error(QString domain, qint64 code, QVariantMap userInfo = {})
        : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo))
    {
    }

    const QString& domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const QVariantMap& userInfo() const { return m_userInfo; }

    // The description for the user; a generic text naming domain and code when none was given.
    QString localizedDescription() const;

    bool operator==(const Error& other) const = default;

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
};

// Builds an error from a failed system call on a path, in the shape Foundation's file manager uses.
Error fileErrorFromErrno(int errorNumber, const QString& path, qint64 cocoaCode, const QString& description);
