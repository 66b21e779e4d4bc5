// SPDX-License-Identifier: MIT
#include "FileSystemRepresentation.h"

#include <algorithm>

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `index` and its code point, or 0 when the bytes there
// are not one: overlong forms, surrogates and values beyond U+10FFFF are not.
qsizetype validSequenceAt(QByteArrayView bytes, qsizetype index, char32_t& codePoint)
{
    const uchar lead = uchar(bytes[index]);
    qsizetype length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (index + length > bytes.size())
        return 0;
    for (qsizetype offset = 1; offset < length; ++offset) {
        const uchar byte = uchar(bytes[index + offset]);
        if (!isContinuation(byte))
            return 0;
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

void appendUtf8(QByteArray& bytes, char32_t codePoint)
{
    if (codePoint < 0x80) {
        bytes += char(codePoint);
    } else if (codePoint < 0x800) {
        bytes += char(0xC0 | (codePoint >> 6));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += char(0xE0 | (codePoint >> 12));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else {
        bytes += char(0xF0 | (codePoint >> 18));
        bytes += char(0x80 | ((codePoint >> 12) & 0x3F));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    }
}

bool isAscii(QByteArrayView bytes)
{
    for (const char byte : bytes) {
        if (uchar(byte) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

namespace FileSystemRepresentation {

QByteArray fromPath(QStringView path)
{
    // Only a lone surrogate encodes differently from UTF-8, and paths seldom hold any surrogate.
    if (std::none_of(path.begin(), path.end(), [](QChar unit) { return unit.isSurrogate(); }))
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype index = 0; index < path.size(); ++index) {
        const char16_t unit = path[index].unicode();
        if (QChar::isHighSurrogate(unit) && index + 1 < path.size() &&
            QChar::isLowSurrogate(path[index + 1].unicode())) {
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, path[index + 1].unicode()));
            ++index;
        } else if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF) {
            bytes += char(unit - escapeBase);
        } else if (QChar::isSurrogate(unit)) {
            // No listing gives such a name; it is written as the replacement character, as Qt does.
            appendUtf8(bytes, 0xFFFD);
        } else {
            appendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QString toPath(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString path;
    path.reserve(bytes.size());
    for (qsizetype index = 0; index < bytes.size();) {
        char32_t codePoint = 0;
        const qsizetype length = validSequenceAt(bytes, index, codePoint);
        if (uchar(bytes[index]) < 0x80) {
            path += QChar(uchar(bytes[index]));
            ++index;
        } else if (length > 0) {
            path += QString::fromUcs4(&codePoint, 1);
            index += length;
        } else {
            path += QChar(char16_t(escapeBase + uchar(bytes[index])));
            ++index;
        }
    }
    return path;
}

} // namespace FileSystemRepresentation
