// SPDX-License-Identifier: MIT
#include "MainOperationQueue.h"
#include "RunLoop.h"

#include <QTest>

class MainOperationQueueTest : public QObject {
    Q_OBJECT

private slots:
    void operationsRunInOrderOnLaterPasses()
    {
        MainOperationQueue& queue = MainOperationQueue::mainQueue();
        QStringList events;
        queue.addOperationWithBlock([&] {
            events << QStringLiteral("first");
            // Queued by a running operation: it must not run inside this one.
            queue.addOperationWithBlock([&] { events << QStringLiteral("queued by first"); });
            events << QStringLiteral("first done");
        });
        queue.addOperationWithBlock([&] { events << QStringLiteral("second"); });
        QVERIFY(events.isEmpty());

        QVERIFY(QTest::qWaitFor([&] { return events.size() == 4; }));
        QCOMPARE(events, (QStringList{QStringLiteral("first"), QStringLiteral("first done"),
                                      QStringLiteral("second"), QStringLiteral("queued by first")}));
        QCOMPARE(queue.operationCount(), std::size_t(0));
    }

    void anOperationWaitingWithTheEventLoopRunningKeepsTheNextOneWaiting()
    {
        MainOperationQueue& queue = MainOperationQueue::mainQueue();
        QStringList events;
        queue.addOperationWithBlock([&] {
            events << QStringLiteral("waiting starts");
            queue.addOperationWithBlock([&] { events << QStringLiteral("next"); });
            // As the engine does while Mail quits or a child process runs.
            for (int slice = 0; slice < 4; ++slice)
                RunLoop::runForSeconds(0.05);
            events << QStringLiteral("waiting ends");
        });
        queue.addOperationWithBlock([&] { events << QStringLiteral("queued before"); });

        QVERIFY(QTest::qWaitFor([&] { return events.size() == 4; }));
        QCOMPARE(events, (QStringList{QStringLiteral("waiting starts"), QStringLiteral("waiting ends"),
                                      QStringLiteral("queued before"), QStringLiteral("next")}));
    }
};

QTEST_GUILESS_MAIN(MainOperationQueueTest)
#include "MainOperationQueueTest.moc"
