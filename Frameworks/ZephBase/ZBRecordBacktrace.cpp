// SPDX-License-Identifier: MIT
#include "ZBRecordBacktrace.h"

#include "Log.h"

#include <QStringList>

#include <cstdlib>
#include <execinfo.h>

void ZBRecordBacktrace(const char* event, int kind)
{
    void* frames[64];
    const int count = backtrace(frames, 64);
    char** symbols = backtrace_symbols(frames, count);
    QStringList lines;
    // The first frame is this function itself.
    for (int index = 1; symbols && index < count; ++index)
        lines.append(QString::fromLocal8Bit(symbols[index]));
    std::free(symbols);
    Log::write(QStringLiteral("Backtrace recorded for %1 (kind %2): %3")
                   .arg(QString::fromUtf8(event ? event : "(no event)"))
                   .arg(kind)
                   .arg(lines.join(QLatin1String(" | "))));
}
