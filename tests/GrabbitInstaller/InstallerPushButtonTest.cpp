// SPDX-License-Identifier: MIT
#include "InstallerPushButton.h"

#include <QAccessible>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QTest>

namespace {

const QString longSubtitle =
    QStringLiteral("Mail will need to be quit and reopened for the Grabbit to be uninstalled.");
const QColor titleColor = QColor::fromRgbF(0.6, 0.337, 0.863);

class CountingCell : public InstallerPushButtonCell {
public:
    void updateAttributedTitle() override
    {
        ++compositions;
        InstallerPushButtonCell::updateAttributedTitle();
    }
    int compositions = 0;
};

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

// A point on the face, left of the text and clear of the rounded corners.
QColor facePixel(QWidget& button)
{
    return render(button).pixelColor(4, button.height() / 2);
}

QRect inkOfTitle(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.hueF() - titleColor.hueF()) < 0.05 && pixel.saturationF() > 0.3)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

} // namespace

class InstallerPushButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QFontDatabase::families().isEmpty(), "no font is installed: text cannot be drawn");
    }

    void composedTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty subtitle") << "Install"
                                        << ""
                                        << "Install";
        QTest::newRow("no subtitle") << "Install" << QString() << "Install";
        QTest::newRow("subtitle") << "Remove" << longSubtitle << "Remove\n" + longSubtitle;
        QTest::newRow("no title hides the subtitle") << QString() << longSubtitle << "";
        QTest::newRow("empty title keeps the subtitle line") << ""
                                                             << "Sub"
                                                             << "\nSub";
    }

    void composedTitle()
    {
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(QString, shown);
        InstallerPushButton button;
        button.setSubtitle(subtitle);
        button.setTitle(title);
        QCOMPARE(button.cell().attributedTitle().string(), shown);
        for (const ZFAttributedString::Run& run : button.cell().attributedTitle().runs()) {
            const QVariantMap expected = run.text == "\n" ? QVariantMap()
                                         : run.text == subtitle
                                             ? InstallerPushButtonCell::subtitleTextAttributes()
                                             : InstallerPushButtonCell::titleTextAttributes();
            QCOMPARE(run.attributes, expected);
        }
    }

    // The title recomposes on every set, the subtitle only on a new value; copies keep their texts.
    void recompositionAndCopies()
    {
        CountingCell cell;
        cell.setTitle("Update");
        cell.setTitle("Update");
        cell.setSubtitle("Sub");
        cell.setSubtitle(QString("Sub"));
        cell.setSubtitle("");
        cell.setSubtitle(QString());
        QCOMPARE(cell.compositions, 5);

        cell.setSubtitle("Sub");
        const InstallerPushButtonCell copy(cell);
        cell.setTitle(QString());
        QCOMPARE(cell.attributedTitle().string(), QString());
        cell.setTitle("Back");
        QCOMPARE(cell.attributedTitle().string(), QStringLiteral("Back\nSub"));
        QCOMPARE(copy.title(), QStringLiteral("Update"));
        QCOMPARE(copy.attributedTitle().string(), QStringLiteral("Update\nSub"));
        QCOMPARE(InstallerPushButtonCell("Install").attributedTitle().string(), QStringLiteral("Install"));
    }

    void namedFontsFallBackToTheSystemFont()
    {
        if (QFontDatabase::families().contains("Corbelline"))
            QSKIP("the named fonts are installed here");
        const QString systemFamily =
            QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
        const QList<std::tuple<QVariantMap, int, QColor>> expectations = {
            {InstallerPushButtonCell::titleTextAttributes(), 24, titleColor},
            {InstallerPushButtonCell::subtitleTextAttributes(), 15, QColor::fromRgbF(0, 0, 0, 0.4)}};
        for (const auto& [attributes, size, color] : expectations) {
            const QFont font = attributes.value(GBFontAttributeName).value<QFont>();
            QCOMPARE(attributes.size(), 2);
            QCOMPARE(QFontInfo(font).family(), systemFamily);
            QCOMPARE(font.pixelSize(), size);
            QCOMPARE(attributes.value(GBForegroundColorAttributeName).value<QColor>(), color);
        }
    }

    void disabledButtonIsFaded()
    {
        QWidget parent;
        InstallerPushButton button(&parent);
        button.setTitle("Install");
        button.resize(button.sizeHint());
        const QColor enabledFace = facePixel(button);
        QCOMPARE(enabledFace.alpha(), 191);
        button.setEnabled(false);
        QCOMPARE(button.alphaValue(), 0.55);
        QVERIFY(qAbs(facePixel(button).alpha() - 191 * 0.55) <= 2);
        button.setEnabled(true);
        QCOMPARE(facePixel(button), enabledFace);
        parent.setEnabled(false);
        QCOMPARE(button.alphaValue(), 0.55);
    }

    void pressedFaceIsDarker()
    {
        InstallerPushButton button;
        button.setTitle("Install");
        button.resize(button.sizeHint());
        const QColor released = facePixel(button);
        QTest::mousePress(&button, Qt::LeftButton, {}, button.rect().center());
        const QColor pressed = facePixel(button);
        QVERIFY2(pressed.lightnessF() < released.lightnessF() - 0.05, "the pressed face is not darker");
        QTest::mouseRelease(&button, Qt::LeftButton, {}, button.rect().center());
        QCOMPARE(facePixel(button), released);
        QTest::keyPress(&button, Qt::Key_Space);
        QCOMPARE(facePixel(button), pressed);
        QTest::keyRelease(&button, Qt::Key_Space);
        QCOMPARE(facePixel(button), released);
    }

    void screenReadersGetTitleAndSubtitle()
    {
        InstallerPushButton button;
        button.setTitle("Remove");
        button.setSubtitle(longSubtitle);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Remove"));
        QCOMPARE(accessible->text(QAccessible::Description), longSubtitle);
        button.setTitle(QString());
        QCOMPARE(accessible->text(QAccessible::Name) + accessible->text(QAccessible::Description), QString());
    }

    // Each look of the window's buttons, at the size they ask for: title drawn, and inside the face.
    void statesAreReadableAndUnclipped()
    {
        QWidget window;
        window.setStyleSheet("background: #ece6f2");
        auto* layout = new QHBoxLayout(&window);
        for (const QString state : {"Normal", "Pressed", "Disabled", "Title only"}) {
            auto* button = new InstallerPushButton;
            button->setTitle(state == "Title only" ? "Install" : "Update");
            button->setSubtitle(state == "Title only" ? QString() : longSubtitle);
            button->setEnabled(state != "Disabled");
            button->cell().setHighlighted(state == "Pressed");
            layout->addWidget(button);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QDir().mkpath(GRABBIT_BUILD_DIR "/screenshots");
        QVERIFY(window.grab().save(GRABBIT_BUILD_DIR "/screenshots/InstallerPushButton-states.png"));
        for (InstallerPushButton* button : window.findChildren<InstallerPushButton*>()) {
            const QRect ink = inkOfTitle(render(*button));
            QVERIFY2(!ink.isEmpty(), "no title drawn");
            QVERIFY2(button->rect().adjusted(4, 4, -4, -4).contains(ink), "title clipped");
        }
    }
};

QTEST_MAIN(InstallerPushButtonTest)
#include "InstallerPushButtonTest.moc"
