// SPDX-License-Identifier: MIT
#include "DesktopEntry.h"

#include <QTemporaryDir>
#include <QTest>

class DesktopEntryTest : public QObject {
    Q_OBJECT

private slots:
    void roundTripKeepsEverythingUntouched();
    void changedAndAddedKeysStayInTheirGroup();
    void malformedFilesAreRejected_data();
    void malformedFilesAreRejected();
    void stringEscaping_data();
    void stringEscaping();
    void execQuoting_data();
    void execQuoting();
    void brokenExecQuotingIsRejected();
    void writeReplacesTheFile();
};

namespace {

// Shaped like entries that desktops and applications really write: comments, localized keys,
// vendor keys, actions, spaces around "=", CRLF-free but without a final newline.
const QByteArray foreignEntry = "# Written by the session manager\n"
                                "\n"
                                "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Web Browser\n"
                                "Name[de]=Webbrowser\n"
                                "Exec=/usr/lib/browser/browser %u\n"
                                "X-GNOME-Autostart-Delay = 10\n"
                                "Comment=Starts\\sthe browser\\nquietly\n"
                                "# trailing comment of the group\n"
                                "\n"
                                "[Desktop Action new-window]\n"
                                "Name=New Window\n"
                                "Exec=/usr/lib/browser/browser --new-window";

} // namespace

void DesktopEntryTest::roundTripKeepsEverythingUntouched()
{
    const std::optional<DesktopEntry> entry = DesktopEntry::parse(foreignEntry);
    QVERIFY(entry);
    QCOMPARE(entry->toByteArray(), foreignEntry);
    QCOMPARE(entry->value("Desktop Entry", "X-GNOME-Autostart-Delay"), QStringLiteral("10"));
    QCOMPARE(entry->value("Desktop Entry", "Comment"), QStringLiteral("Starts the browser\nquietly"));
    QCOMPARE(entry->value("Desktop Action new-window", "Name"), QStringLiteral("New Window"));
    QVERIFY(entry->value("Desktop Entry", "Missing").isNull());
}

void DesktopEntryTest::changedAndAddedKeysStayInTheirGroup()
{
    DesktopEntry entry = *DesktopEntry::parse(foreignEntry);
    entry.setValue("Desktop Entry", "Name", "Browser");
    entry.setValue("Desktop Entry", "X-Added", "yes");
    entry.setValue("Other", "Key", "value");
    QByteArray expected = foreignEntry;
    expected.replace("Name=Web Browser\n", "Name=Browser\n");
    expected.replace("quietly\n", "quietly\nX-Added=yes\n");
    expected.append("\n[Other]\nKey=value");
    QCOMPARE(entry.toByteArray(), expected);

    DesktopEntry fresh;
    fresh.setValue("Desktop Entry", "Type", "Application");
    fresh.setValue("Desktop Entry", "Name", " padded");
    QCOMPARE(fresh.toByteArray(), QByteArray("[Desktop Entry]\nType=Application\nName=\\spadded\n"));
}

void DesktopEntryTest::malformedFilesAreRejected_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("key before any group") << QByteArray("Name=x\n[Desktop Entry]\n");
    QTest::newRow("line without equals") << QByteArray("[Desktop Entry]\nName\n");
    QTest::newRow("invalid key") << QByteArray("[Desktop Entry]\nNa me=x\n");
    QTest::newRow("duplicate key") << QByteArray("[Desktop Entry]\nName=a\nName=b\n");
    QTest::newRow("duplicate group") << QByteArray("[Desktop Entry]\n[A]\n[Desktop Entry]\n");
    QTest::newRow("unterminated group") << QByteArray("[Desktop Entry\nName=x\n");
    QTest::newRow("not UTF-8") << QByteArray("[Desktop Entry]\nName=\xff\xfe\n");
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\x02\x01\x01",
                                          7);
}

void DesktopEntryTest::malformedFilesAreRejected()
{
    QFETCH(QByteArray, data);
    QVERIFY(!DesktopEntry::parse(data));
}

void DesktopEntryTest::stringEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "a b"
                           << "a b";
    QTest::newRow("leading space") << " a"
                                   << "\\sa";
    QTest::newRow("newline, tab, return") << "a\nb\tc\rd"
                                          << "a\\nb\\tc\\rd";
    QTest::newRow("backslash") << "C:\\dir\\"
                               << "C:\\\\dir\\\\";
    QTest::newRow("escaped quote stays two characters") << "\\\""
                                                        << "\\\\\"";
}

void DesktopEntryTest::stringEscaping()
{
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(DesktopEntry::escapeString(value), escaped);
    QCOMPARE(DesktopEntry::unescapeString(escaped), value);
}

void DesktopEntryTest::execQuoting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringList{"/opt/app", "--flag"} << "/opt/app --flag";
    QTest::newRow("space") << QStringList{"/Apps/My App.app/Contents/MacOS/My App"}
                           << "\"/Apps/My App.app/Contents/MacOS/My App\"";
    QTest::newRow("characters escaped inside quotes")
        << QStringList{"/a\"b`c$d\\e"} << "\"/a\\\"b\\`c\\$d\\\\e\"";
    QTest::newRow("other reserved characters") << QStringList{"/a'b;c&d"} << "\"/a'b;c&d\"";
    QTest::newRow("percent") << QStringList{"/100%/app", "50% off"} << "/100%%/app \"50%% off\"";
    QTest::newRow("empty argument") << QStringList{"/app", ""} << "/app \"\"";
}

void DesktopEntryTest::execQuoting()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, exec);
    QCOMPARE(DesktopEntry::execValue(arguments), exec);
    QCOMPARE(DesktopEntry::execArguments(exec), arguments);
    // Through the string layer and a file, as a reader of the entry sees it.
    DesktopEntry entry;
    entry.setValue("Desktop Entry", "Exec", exec);
    const std::optional<DesktopEntry> reread = DesktopEntry::parse(entry.toByteArray());
    QVERIFY(reread);
    QCOMPARE(DesktopEntry::execArguments(reread->value("Desktop Entry", "Exec")), arguments);
}

void DesktopEntryTest::brokenExecQuotingIsRejected()
{
    QVERIFY(!DesktopEntry::execArguments("\"/unterminated"));
    QVERIFY(!DesktopEntry::execArguments("\"/bad\\escape\""));
    QCOMPARE(DesktopEntry::execArguments("browser %U --x"), QStringList({"browser", "--x"}));
}

void DesktopEntryTest::writeReplacesTheFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("entry.desktop");
    DesktopEntry entry = *DesktopEntry::parse(foreignEntry);
    QVERIFY(entry.write(path));
    QCOMPARE(DesktopEntry::read(path)->toByteArray(), foreignEntry);
    QVERIFY(!entry.write(folder.filePath("missing/entry.desktop")));
    QVERIFY(!DesktopEntry::read(folder.filePath("missing.desktop")));
}

QTEST_GUILESS_MAIN(DesktopEntryTest)
#include "DesktopEntryTest.moc"
