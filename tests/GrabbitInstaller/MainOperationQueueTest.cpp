// SPDX-License-Identifier: MIT
#include "MainOperationQueue.h"
#include "RunLoop.h"

#include <QTest>

class MainOperationQueueTest : public QObject {
    Q_OBJECT

private slots:
    // As the engine's work does while Mail quits or a child process runs, the first operation
    // turns the event loop; the operations queued meanwhile wait for it, in their order.
    void operationsRunOneAtATimeInOrderOnLaterPasses()
    {
        MainOperationQueue& queue = MainOperationQueue::mainQueue();
        QStringList events;
        queue.addOperationWithBlock([&] {
            events << "first starts";
            queue.addOperationWithBlock([&] { events << "queued by the first"; });
            for (int slice = 0; slice < 4; ++slice)
                RunLoop::runForSeconds(0.05);
            events << "first ends";
        });
        queue.addOperationWithBlock([&] { events << "second"; });
        QVERIFY(events.isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return events.size() == 4; }));
        QCOMPARE(events, (QStringList{"first starts", "first ends", "second", "queued by the first"}));
    }
};

QTEST_GUILESS_MAIN(MainOperationQueueTest)
#include "MainOperationQueueTest.moc"
