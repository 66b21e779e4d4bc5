// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Paths are bytes on Linux, and a name need not be UTF-8. Between the system and our strings a
// name is decoded as UTF-8 with each byte that is not part of valid UTF-8 kept as the lone
// surrogate U+DC00 + byte, and encoded back the same way, so that every name from the environment
// or a directory listing reaches the system calls exactly (NSString's fileSystemRepresentation).
namespace FileSystemRepresentation {

// The bytes that system calls take for the path.
QByteArray fromPath(QStringView path);
// The path for bytes the system gave; fromPath answers the same bytes for it.
QString toPath(QByteArrayView bytes);

} // namespace FileSystemRepresentation
