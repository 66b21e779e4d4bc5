// SPDX-License-Identifier: MIT
#include "InstallerPushButton.h"

#include <QTest>

namespace {

// A point on the face, left of the text and clear of the rounded corners.
QColor facePixel(InstallerPushButton& button)
{
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, {}, {}, QWidget::DrawChildren);
    return image.pixelColor(4, button.height() / 2);
}

} // namespace

class InstallerPushButtonTest : public QObject {
    Q_OBJECT

private slots:
    void theFaceAndScreenReadersShowTheTitleAndItsSubtitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a title alone") << QString("Install") << QString("") << QString("Install");
        QTest::newRow("a title and its subtitle")
            << QString("Remove") << QString("Quit") << QString("Remove\nQuit");
        QTest::newRow("no title hides the subtitle") << QString() << QString("Quit") << QString("");
    }

    void theFaceAndScreenReadersShowTheTitleAndItsSubtitle()
    {
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(QString, shown);
        InstallerPushButton button;
        button.setSubtitle(subtitle);
        button.setTitle(title);
        QCOMPARE(button.cell().attributedTitle().string(), shown);
        for (const ZFAttributedString::Run& run : button.cell().attributedTitle().runs())
            if (run.text == subtitle)
                QCOMPARE(run.attributes, InstallerPushButtonCell::subtitleTextAttributes());
        QCOMPARE(button.accessibleName(), title);
        QCOMPARE(button.accessibleDescription(), shown.contains('\n') ? subtitle : QString());
    }

    void aPressedFaceIsDarkerAndADisabledOneFainter()
    {
        InstallerPushButton button;
        button.setTitle("Install");
        button.resize(button.sizeHint());
        const QColor released = facePixel(button);
        QTest::mousePress(&button, Qt::LeftButton, {}, button.rect().center());
        QVERIFY(facePixel(button).lightnessF() < released.lightnessF() - 0.05);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, button.rect().center());
        QCOMPARE(facePixel(button), released);
        button.setEnabled(false);
        QVERIFY(facePixel(button).alpha() < released.alpha() * 0.7);
    }
};

QTEST_MAIN(InstallerPushButtonTest)
#include "InstallerPushButtonTest.moc"
