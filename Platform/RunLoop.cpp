// SPDX-License-Identifier: MIT
#include "RunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace RunLoop {

double timeIntervalSinceReferenceDate()
{
    // 978307200 seconds lie between the Unix epoch and 2001-01-01.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count() - 978307200.0;
}

void runForSeconds(double seconds)
{
    const int milliseconds = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace RunLoop
