// SPDX-License-Identifier: MIT
#include "ZFAfterDelayPerformBlock.h"

#include <QCoreApplication>
#include <QTimer>

void ZFAfterDelayPerformBlock(std::function<void()> block, double delay)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !block)
        return;
    const int milliseconds = delay <= 0 ? 0 : static_cast<int>(delay * 1000.0 + 0.5);
    // The application object as context puts the call on the main thread's event loop.
    QTimer::singleShot(milliseconds, application, std::move(block));
}
