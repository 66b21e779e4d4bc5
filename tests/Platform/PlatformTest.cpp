// SPDX-License-Identifier: MIT
#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "HomeDirectory.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RunLoop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ctime>

#include <unistd.h>

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    // Removal takes a link in the tree as a link, never what it points to; a failure carries
    // Foundation's domain, code and path; a folder is never made over a file.
    void fileManagerNeverFollowsLinksAndReportsFailures()
    {
        QTemporaryDir folder;
        const QString kept = folder.filePath("outside/kept"), tree = folder.filePath("tree");
        QVERIFY(QDir().mkpath(QFileInfo(kept).path()) && QFile(kept).open(QIODevice::WriteOnly) &&
                QDir().mkpath(tree) && QFile::link(QFileInfo(kept).path(), tree + "/link"));
        FileManager& files = FileManager::defaultManager();
        Error error;
        QVERIFY(files.removeItemAtPath(tree, &error) && QFileInfo::exists(kept) && !QFileInfo::exists(tree));
        QVERIFY(!files.removeItemAtPath(tree, &error));
        QCOMPARE(error.domain(), QString("NSCocoaErrorDomain"));
        QCOMPARE(error.code(), GBFileNoSuchFileError);
        QCOMPARE(error.userInfo().value(GBFilePathErrorKey).toString(), tree);
        QVERIFY(files.createDirectoryAtPath(tree + "/a/b", true, &error));
        QVERIFY(!files.createDirectoryAtPath(kept, true, &error));
    }

    // Arguments reach the child as they are, without a shell; macOS tools run as this system's
    // stand-ins.
    void childProcessesRunTheirToolsAsGiven()
    {
        ChildProcessLauncher& launcher = ChildProcessLauncher::sharedLauncher();
        QCOMPARE(launcher.launchAndWait("/bin/sh", {"-c", "[ \"$1\" = 'a b*' ] && exit 3", "sh", "a b*"}), 3);
        QVERIFY_THROWS_EXCEPTION(ChildProcessException, launcher.launchAndWait("/nonexistent/tool", {}));
        // A child reads nothing of ours, holds no descriptor of ours, and what it writes is logged.
        QStringList logged;
        const Log::Sink previous = Log::setSink([&](const QString& line) { logged << line; });
        const int inheritable = dup(STDIN_FILENO);
        QCOMPARE(
            launcher.launchAndWait("/bin/sh", {"-c", "readlink /proc/self/fd/0; echo $(ls /proc/self/fd)"}),
            0);
        close(inheritable);
        Log::setSink(previous);
        QCOMPARE(logged, (QStringList{"sh: /dev/null", "sh: 0 1 2 3"}));
        qputenv("GRABBIT_DEFAULTS_TOOL", "/opt/stand-in-defaults");
        const QList<std::pair<QStringList, QStringList>> translations = {
            {{"/bin/chmod", "-R", "-N", "/d"}, {"setfacl", "-R", "-P", "-b", "/d"}},
            {{"/bin/chmod", "-R", "+w", "/d"}, {"chmod", "-R", "+w", "/d"}},
            {{"/usr/bin/defaults", "write"}, {"stand-in-defaults", "write"}}};
        for (auto [command, expected] : translations) {
            QString program = command.takeFirst();
            ChildProcessLauncher::translateForThisSystem(program, command);
            QCOMPARE(QStringList{QFileInfo(program).fileName()} + command, expected);
        }
    }

    // Once the application has been asked to quit, every nested QEventLoop returns at once: a
    // run-loop slice must still last its time, and a child wait still sleep until the child ends.
    void waitsKeepTheirRuleWhileTheApplicationQuits()
    {
        qint64 sliceMilliseconds = 0, childMilliseconds = 0;
        std::clock_t childProcessorTime = 0;
        int status = -1;
        QTimer::singleShot(0, [&] {
            QCoreApplication::quit();
            QElapsedTimer elapsed;
            elapsed.start();
            RunLoop::runForSeconds(0.2);
            sliceMilliseconds = elapsed.restart();
            const std::clock_t processorTime = std::clock();
            status = ChildProcessLauncher::sharedLauncher().launchAndWait("/bin/sleep", {"0.5"});
            childProcessorTime = std::clock() - processorTime;
            childMilliseconds = elapsed.elapsed();
        });
        QCoreApplication::exec();
        QVERIFY(sliceMilliseconds >= 195 && childMilliseconds >= 495 && status == 0);
        // A wait that spins takes about the whole half second.
        QVERIFY2(childProcessorTime < CLOCKS_PER_SEC / 20, qPrintable(QString::number(childProcessorTime)));
    }

    // Without a usable home the engine would work on the file system's root or beside the real
    // home: such a HOME is refused with a line that says why.
    void homeFolderIsRefusedUnlessItNamesAFolderExactly()
    {
        QTemporaryDir folder;
        const QByteArray home = QFile::encodeName(folder.path());
        const QList<std::pair<QByteArray, QString>> cases = {{home + "//", folder.path()},
                                                             {"", "HOME is not set"},
                                                             {"relative", "absolute path"},
                                                             {home + "/missing", "existing folder"},
                                                             {home + "/\xff", "UTF-8"}};
        for (const auto& [value, expected] : cases) {
            qputenv("HOME", value);
            QString problem;
            const std::optional<QString> path = HomeDirectory::path(&problem);
            QVERIFY2(path ? *path == expected : problem.contains(expected), value.constData());
        }
    }

    // Delivery goes to the observers of the name and sender; whoever leaves or joins during a
    // delivery misses it.
    void notificationsReachMatchingObserversRegisteredAtTheirTurn()
    {
        NotificationCenter center;
        int sender = 0, other = 0;
        QStringList delivered;
        center.addObserver(&other, "N", nullptr, [&](const Notification&) { delivered << "any"; });
        center.addObserver(&sender, "N", &sender, [&](const Notification&) { delivered << "sender"; });
        center.postNotification("N", &other);
        center.postNotification("M", &sender);
        center.postNotification("N", &sender);
        QCOMPARE(delivered, (QStringList{"any", "any", "sender"}));
        center.addObserver(&other, "R", nullptr, [&](const Notification&) {
            center.removeObserver(&sender);
            center.addObserver(&center, "R", nullptr, [&](const Notification&) { delivered << "joined"; });
        });
        center.addObserver(&sender, "R", nullptr, [&](const Notification&) { delivered << "left"; });
        center.postNotification("R", nullptr);
        QCOMPARE(delivered.size(), 3);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
