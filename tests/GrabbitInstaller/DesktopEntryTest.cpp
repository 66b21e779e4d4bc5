// SPDX-License-Identifier: MIT
#include "DesktopEntry.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Shaped like entries that desktops and applications write: comments, localized and vendor keys,
// actions, spaces around "=", and no final newline.
const QByteArray foreignEntry = "# Written by the session manager\n\n"
                                "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Web Browser\n"
                                "Name[de]=Webbrowser\n"
                                "X-GNOME-Autostart-Delay = 10\n"
                                "Comment=Starts\\sthe browser\\nquietly\n"
                                "# trailing comment of the group\n\n"
                                "[Desktop Action new-window]\n"
                                "Exec=/usr/lib/browser/browser --new-window";

} // namespace

class DesktopEntryTest : public QObject {
    Q_OBJECT

private slots:
    void roundTripChangesOnlyWhatIsSet()
    {
        DesktopEntry entry = *DesktopEntry::parse(foreignEntry);
        QCOMPARE(entry.toByteArray(), foreignEntry);
        QCOMPARE(entry.value("Desktop Entry", "X-GNOME-Autostart-Delay"), QStringLiteral("10"));
        QCOMPARE(entry.value("Desktop Entry", "Comment"), QStringLiteral("Starts the browser\nquietly"));

        entry.setValue("Desktop Entry", "Name", "Browser");
        entry.setValue("Desktop Entry", "X-Added", " yes");
        entry.setValue("Other", "Key", "value");
        QByteArray expected = foreignEntry;
        expected.replace("Name=Web Browser\n", "Name=Browser\n")
            .replace("quietly\n", "quietly\nX-Added=\\syes\n");
        QCOMPARE(entry.toByteArray(), expected + "\n[Other]\nKey=value");

        QTemporaryDir folder;
        QVERIFY(entry.write(folder.filePath("entry.desktop")));
        QCOMPARE(DesktopEntry::read(folder.filePath("entry.desktop"))->toByteArray(), entry.toByteArray());
        QVERIFY(!entry.write(folder.filePath("missing/entry.desktop")));
    }

    void malformedFilesAreRejected_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("key before any group") << QByteArray("Name=x\n[Desktop Entry]\n");
        QTest::newRow("line without equals") << QByteArray("[Desktop Entry]\nName\n");
        QTest::newRow("invalid key") << QByteArray("[Desktop Entry]\nNa me=x\n");
        QTest::newRow("duplicate key") << QByteArray("[Desktop Entry]\nName=a\nName=b\n");
        QTest::newRow("duplicate group") << QByteArray("[Desktop Entry]\n[A]\n[Desktop Entry]\n");
        QTest::newRow("unterminated group") << QByteArray("[Desktop Entry\n");
        QTest::newRow("not UTF-8") << QByteArray("[Desktop Entry]\nName=\xff\xfe\n");
    }

    void malformedFilesAreRejected()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!DesktopEntry::parse(data));
    }

    void stringEscaping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("inner space") << "a b"
                                     << "a b";
        QTest::newRow("leading space") << " a"
                                       << "\\sa";
        QTest::newRow("newline, tab, return") << "a\nb\tc\rd"
                                              << "a\\nb\\tc\\rd";
        QTest::newRow("backslashes") << "C:\\dir\\\""
                                     << "C:\\\\dir\\\\\"";
    }

    void stringEscaping()
    {
        QFETCH(QString, value);
        QFETCH(QString, escaped);
        QCOMPARE(DesktopEntry::escapeString(value), escaped);
        QCOMPARE(DesktopEntry::unescapeString(escaped), value);
    }

    void execQuoting_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringList{"/opt/app", "--flag"} << "/opt/app --flag";
        QTest::newRow("space") << QStringList{"/Apps/My App.app"} << "\"/Apps/My App.app\"";
        QTest::newRow("escaped inside quotes") << QStringList{"/a\"b`c$d\\e"} << "\"/a\\\"b\\`c\\$d\\\\e\"";
        QTest::newRow("other reserved") << QStringList{"/a'b;c&d"} << "\"/a'b;c&d\"";
        QTest::newRow("percent") << QStringList{"/100%/app", "50% off"} << "/100%%/app \"50%% off\"";
        QTest::newRow("empty argument") << QStringList{"/app", ""} << "/app \"\"";
    }

    // Both ways, and through the string layer of a file as a desktop reads it.
    void execQuoting()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, exec);
        QCOMPARE(DesktopEntry::execValue(arguments), exec);
        DesktopEntry entry;
        entry.setValue("Desktop Entry", "Exec", exec);
        const QString reread = DesktopEntry::parse(entry.toByteArray())->value("Desktop Entry", "Exec");
        QCOMPARE(DesktopEntry::execArguments(reread), arguments);
    }

    void execParsing()
    {
        QVERIFY(!DesktopEntry::execArguments("\"/unterminated"));
        QVERIFY(!DesktopEntry::execArguments("\"/bad\\escape\""));
        QCOMPARE(DesktopEntry::execArguments("browser %U --x"), QStringList({"browser", "--x"}));
    }
};

QTEST_GUILESS_MAIN(DesktopEntryTest)
#include "DesktopEntryTest.moc"
