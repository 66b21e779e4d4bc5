// SPDX-License-Identifier: MIT
#pragma once

#include "Workspace.h"

#include <QList>

#include <memory>

// A workspace whose Mail instances are plain records: whether each is running, how it answers a
// quit request, and what the engine asked of them. Launching adds a running instance.
class FakeMailWorkspace : public Workspace {
public:
    enum class QuitAnswer { Quits, Refuses, KeepsRunning };

    struct Instance {
        bool terminated = false;
        QuitAnswer answer = QuitAnswer::Quits;
        int quitRequests = 0;
    };

    QList<std::shared_ptr<Instance>> instances;
    QList<unsigned> launchOptions;
    int listings = 0;

    std::shared_ptr<Instance> addInstance(QuitAnswer answer = QuitAnswer::Quits)
    {
        instances.append(std::make_shared<Instance>(Instance{false, answer, 0}));
        return instances.last();
    }

    bool isMailRunning() const { return !instances.isEmpty() && !instances.first()->terminated; }

    std::vector<std::unique_ptr<RunningApplication>>
    runningApplicationsWithBundleIdentifier(const QString& bundleIdentifier) override
    {
        ++listings;
        std::vector<std::unique_ptr<RunningApplication>> result;
        if (bundleIdentifier != QLatin1String("com.apple.mail"))
            return result;
        for (const auto& instance : instances)
            result.push_back(std::make_unique<Application>(instance));
        return result;
    }

    bool launchAppWithBundleIdentifier(const QString& bundleIdentifier, unsigned options) override
    {
        if (bundleIdentifier != QLatin1String("com.apple.mail"))
            return false;
        launchOptions.append(options);
        addInstance();
        return true;
    }

private:
    class Application : public RunningApplication {
    public:
        explicit Application(std::shared_ptr<Instance> instance) : m_instance(std::move(instance)) {}
        bool isTerminated() override { return m_instance->terminated; }
        bool terminate() override
        {
            ++m_instance->quitRequests;
            if (m_instance->answer == QuitAnswer::Refuses)
                return false;
            m_instance->terminated = m_instance->answer == QuitAnswer::Quits;
            return true;
        }

    private:
        std::shared_ptr<Instance> m_instance;
    };
};
