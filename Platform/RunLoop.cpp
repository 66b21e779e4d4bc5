// SPDX-License-Identifier: MIT
#include "RunLoop.h"

#include <QAbstractEventDispatcher>
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
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!QCoreApplication::instance() || !dispatcher) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return;
    }
    if (milliseconds == 0) {
        dispatcher->processEvents(QEventLoop::AllEvents);
        return;
    }
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    wakeUp.start(milliseconds);
    runUntil([&] {
        if (deadline.hasExpired())
            return true;
        // Woken early by another event: the timer may have been delivered already, so it wakes
        // the loop once more at the deadline.
        if (!wakeUp.isActive())
            wakeUp.start(static_cast<int>(deadline.remainingTime()));
        return false;
    });
}

// A nested event loop, asked after every pass: widgets paint only inside one (on some window systems a bare
// processEvents loop leaves the window as it was). Once the application has been asked to quit,
// such a loop returns at once or is ended early; then the wait processes the events itself,
// sleeping until they come.
void runUntil(const std::function<bool()>& finished)
{
    if (finished())
        return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QEventLoop loop;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &loop, [&] {
        if (finished())
            loop.quit();
    });
    loop.exec();
    while (!finished())
        dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace RunLoop
