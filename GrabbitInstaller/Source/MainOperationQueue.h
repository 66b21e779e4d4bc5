// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <deque>
#include <functional>

// A serial queue of operations on the main thread's event loop. Each operation starts on a later
// pass of the event loop than the one that queued it, and only once the previous one has returned,
// also when that one waits with a nested event loop running. Used from the main thread only.
class MainOperationQueue {
public:
    using Operation = std::function<void()>;

    static MainOperationQueue& mainQueue();

    void addOperationWithBlock(Operation operation);
    // Queued operations that have not started yet.
    std::size_t operationCount() const { return m_pending.size(); }

private:
    MainOperationQueue() = default;

    void scheduleNextPass();
    void runNextOperation();

    QObject m_receiver;
    std::deque<Operation> m_pending;
    bool m_passScheduled = false;
    bool m_operationRunning = false;
};
