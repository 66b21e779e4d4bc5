// SPDX-License-Identifier: MIT
#include "MainOperationQueue.h"

#include <QMetaObject>

MainOperationQueue& MainOperationQueue::mainQueue()
{
    static MainOperationQueue queue;
    return queue;
}

void MainOperationQueue::addOperationWithBlock(Operation operation)
{
    if (!operation)
        return;
    m_pending.push_back(std::move(operation));
    scheduleNextPass();
}

void MainOperationQueue::scheduleNextPass()
{
    if (m_passScheduled)
        return;
    m_passScheduled = true;
    QMetaObject::invokeMethod(
        &m_receiver,
        [this] {
            m_passScheduled = false;
            runNextOperation();
        },
        Qt::QueuedConnection);
}

void MainOperationQueue::runNextOperation()
{
    // A nested event loop inside the running operation must not start the next one; the running
    // operation schedules it when it returns.
    if (m_operationRunning || m_pending.empty())
        return;
    Operation operation = std::move(m_pending.front());
    m_pending.pop_front();
    m_operationRunning = true;
    operation();
    m_operationRunning = false;
    if (!m_pending.empty())
        scheduleNextPass();
}
