// SPDX-License-Identifier: MIT
#include "FreedesktopDesktopServices.h"
#include "Log.h"
#include "UserNotificationTestBus.h"

#include <QDBusConnection>
#include <QTest>

namespace {

// Desktop services whose web browser is a record; the file-manager request goes over D-Bus.
class RecordingBrowserServices : public FreedesktopDesktopServices {
public:
    using FreedesktopDesktopServices::FreedesktopDesktopServices;
    QList<QUrl> opened;
    bool canOpen = true;
    bool openURL(const QUrl& url) override
    {
        opened.append(url);
        return canOpen;
    }
};

} // namespace

class InstallerViewControllerDesktopServicesTest : public QObject {
    Q_OBJECT

private slots:
    void withoutFileManagerTheFolderOpensOrOneLineIsLogged_data()
    {
        QTest::addColumn<bool>("busRuns");
        QTest::addColumn<bool>("folderOpens");
        QTest::newRow("no file manager on the bus") << true << true;
        QTest::newRow("no bus") << false << true;
        QTest::newRow("nothing opens folders") << true << false;
    }

    void withoutFileManagerTheFolderOpensOrOneLineIsLogged()
    {
        QFETCH(bool, busRuns);
        QFETCH(bool, folderOpens);
        UserNotificationTestBus bus;
        QVERIFY(bus.isRunning());
        QStringList lines;
        const Log::Sink previous = Log::setSink([&lines](const QString& line) { lines << line; });
        RecordingBrowserServices services(busRuns ? bus.connect(QStringLiteral("installer"))
                                                  : QDBusConnection(QStringLiteral("no such connection")));
        services.canOpen = folderOpens;

        services.activateFileViewerSelectingURLs(
            {QUrl::fromLocalFile(QStringLiteral("/Volumes/Disk/Grabbit.app/"))});

        QTRY_COMPARE(services.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/Volumes/Disk"))});
        QTest::qWait(50);
        Log::setSink(previous);
        QCOMPARE(lines.size(), folderOpens ? 0 : 1);
    }
};

QTEST_MAIN(InstallerViewControllerDesktopServicesTest)
#include "InstallerViewControllerDesktopServicesTest.moc"
