// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// Reads binary property lists ("bplist00") of outside origin, as PropertyList describes the values.
// A first walk over the object graph, without recursion, checks every offset, count, reference and
// scalar, and refuses objects that contain themselves, nest too deep or would expand into millions
// of values through sharing; only then are the values built.
class BinaryPropertyListReader {
public:
    static std::optional<QVariant> read(const QByteArray& data, QString* errorDescription);
};
