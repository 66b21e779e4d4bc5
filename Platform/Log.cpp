// SPDX-License-Identifier: MIT
#include "Log.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <mutex>
#include <syslog.h>
#include <unistd.h>

namespace {

std::mutex sinkMutex;
Log::Sink currentSink;

QByteArray programName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit();
    return QByteArrayLiteral("Grabbit");
}

void writeToSystem(const QString& message)
{
    const QByteArray line = message.toUtf8();
    std::fprintf(stderr, "%s[%d] %s\n", programName().constData(), static_cast<int>(getpid()),
                 line.constData());
    std::fflush(stderr);
    syslog(LOG_NOTICE, "%s", line.constData());
}

} // namespace

namespace Log {

void write(const QString& message)
{
    // A message of several lines still makes one line in the log.
    QString oneLine = message;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Sink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = currentSink;
    }
    if (sink) {
        sink(oneLine);
        return;
    }
    writeToSystem(oneLine);
}

Sink setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex);
    Sink previous = std::move(currentSink);
    currentSink = std::move(sink);
    return previous;
}

} // namespace Log
