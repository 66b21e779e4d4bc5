// SPDX-License-Identifier: MIT
#pragma once

#include "Log.h"

#include <QStringList>

// Collects the log lines written while it lives, instead of standard error and the system log.
class CapturedLog {
public:
    CapturedLog() : m_previous(Log::setSink([this](const QString& line) { lines << line; })) {}
    ~CapturedLog() { Log::setSink(m_previous); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList lines;

private:
    Log::Sink m_previous;
};
