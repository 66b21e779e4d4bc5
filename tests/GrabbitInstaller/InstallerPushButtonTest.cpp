// SPDX-License-Identifier: MIT
#include "InstallerPushButton.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QImage>
#include <QTest>

class InstallerPushButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void composedTitle_data();
    void composedTitle();
    void titleAndSubtitleChangesRecompose();
    void copiedCellKeepsItsOwnTexts();
    void namedFontsFallBackToTheSystemFont();
    void subclassSuppliesItsOwnAttributes();
    void disabledButtonIsFaded();
    void pressedFaceIsDarker();
    void accessibilityTextsFollowTheFace();
    void statesAreReadableAndUnclipped();
};

namespace {

const QString longSubtitle =
    QStringLiteral("Mail will need to be quit and reopened for the Grabbit to be uninstalled.");

// Counts the compositions, to tell the recomposing setters from the idle ones.
class CountingCell : public InstallerPushButtonCell {
public:
    void updateAttributedTitle() override
    {
        ++compositions;
        InstallerPushButtonCell::updateAttributedTitle();
    }
    int compositions = 0;
};

class GreenCell : public InstallerPushButtonCell {
protected:
    const QVariantMap& classTitleTextAttributes() const override
    {
        static const QVariantMap attributes = {{NSForegroundColorAttributeName, QColor(Qt::green)}};
        return attributes;
    }
};

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

// A point on the face, left of where the text starts and clear of the rounded corners.
QColor facePixel(QWidget& button)
{
    return render(button).pixelColor(4, button.height() / 2);
}

QRect inkOf(const QImage& image, const QColor& textColor)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.hueF() - textColor.hueF()) < 0.05 && pixel.saturationF() > 0.3)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = QStringLiteral(GRABBIT_BUILD_DIR "/screenshots");
    QDir().mkpath(folder);
    QVERIFY(widget.grab().save(folder + '/' + name + ".png"));
}

} // namespace

void InstallerPushButtonTest::initTestCase()
{
    QVERIFY2(!QFontDatabase::families().isEmpty(), "no font is installed: text cannot be drawn");
}

void InstallerPushButtonTest::composedTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("shown");
    QTest::newRow("title, empty subtitle") << "Install"
                                           << ""
                                           << "Install";
    QTest::newRow("title, no subtitle") << "Install" << QString() << "Install";
    QTest::newRow("title and subtitle") << "Remove" << longSubtitle << "Remove\n" + longSubtitle;
    QTest::newRow("no title hides the subtitle") << QString() << longSubtitle << "";
    QTest::newRow("empty title keeps the subtitle line") << ""
                                                         << "Sub"
                                                         << "\nSub";
}

void InstallerPushButtonTest::composedTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, subtitle);
    QFETCH(QString, shown);
    InstallerPushButton button;
    button.setSubtitle(subtitle);
    button.setTitle(title);
    const ZFAttributedString& text = button.cell().attributedTitle();
    QCOMPARE(text.string(), shown);
    QCOMPARE(button.title(), title);
    for (const ZFAttributedString::Run& run : text.runs()) {
        const QVariantMap expected = run.text == "\n" ? QVariantMap()
                                     : run.text == subtitle
                                         ? InstallerPushButtonCell::subtitleTextAttributes()
                                         : InstallerPushButtonCell::titleTextAttributes();
        QCOMPARE(run.attributes, expected);
    }
}

void InstallerPushButtonTest::titleAndSubtitleChangesRecompose()
{
    CountingCell cell;
    cell.setTitle("Update");
    cell.setTitle("Update");
    QCOMPARE(cell.compositions, 2);
    cell.setSubtitle("Mail will need to be quit");
    cell.setSubtitle(QString("Mail will need to be quit"));
    QCOMPARE(cell.compositions, 3);
    cell.setSubtitle("");
    cell.setSubtitle(QString());
    QCOMPARE(cell.compositions, 5);

    cell.setSubtitle("Sub");
    cell.setTitle(QString());
    QCOMPARE(cell.attributedTitle().string(), QString());
    cell.setTitle("Back");
    QCOMPARE(cell.attributedTitle().string(), QStringLiteral("Back\nSub"));
}

void InstallerPushButtonTest::copiedCellKeepsItsOwnTexts()
{
    InstallerPushButton button;
    button.setTitle("Install");
    button.setSubtitle("First");
    const InstallerPushButtonCell copy(button.cell());
    button.setTitle("Update");
    button.setSubtitle("Second");
    QCOMPARE(copy.title(), QStringLiteral("Install"));
    QCOMPARE(copy.subtitle(), QStringLiteral("First"));
    QCOMPARE(copy.attributedTitle().string(), QStringLiteral("Install\nFirst"));
    QVERIFY(!copy.controlView());
}

void InstallerPushButtonTest::namedFontsFallBackToTheSystemFont()
{
    if (QFontDatabase::families().contains("Corbelline"))
        QSKIP("the named fonts are installed here");
    const QString systemFamily = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    const QVariantMap title = InstallerPushButtonCell::titleTextAttributes();
    const QVariantMap subtitle = InstallerPushButtonCell::subtitleTextAttributes();
    QCOMPARE(title.size(), 2);
    QCOMPARE(QFontInfo(title.value(NSFontAttributeName).value<QFont>()).family(), systemFamily);
    QCOMPARE(title.value(NSFontAttributeName).value<QFont>().pixelSize(), 24);
    QCOMPARE(title.value(NSForegroundColorAttributeName).value<QColor>(),
             QColor::fromRgbF(0.6, 0.337, 0.863));
    QCOMPARE(QFontInfo(subtitle.value(NSFontAttributeName).value<QFont>()).family(), systemFamily);
    QCOMPARE(subtitle.value(NSFontAttributeName).value<QFont>().pixelSize(), 15);
    QCOMPARE(subtitle.value(NSForegroundColorAttributeName).value<QColor>(), QColor::fromRgbF(0, 0, 0, 0.4));
}

void InstallerPushButtonTest::subclassSuppliesItsOwnAttributes()
{
    InstallerPushButton button(std::make_unique<GreenCell>());
    button.setTitle("Green");
    QCOMPARE(button.cell().attributedTitle().runs().first().attributes.value(NSForegroundColorAttributeName),
             QVariant(QColor(Qt::green)));
}

void InstallerPushButtonTest::disabledButtonIsFaded()
{
    QWidget parent;
    InstallerPushButton button(&parent);
    button.setTitle("Install");
    button.resize(button.sizeHint());
    const QColor enabledFace = facePixel(button);
    QCOMPARE(enabledFace.alpha(), 191);

    button.setEnabled(false);
    QCOMPARE(button.alphaValue(), 0.55);
    QVERIFY(qAbs(facePixel(button).alpha() - qRound(191 * 0.55)) <= 2);
    button.setEnabled(true);
    QCOMPARE(button.alphaValue(), 1.0);
    QCOMPARE(facePixel(button), enabledFace);

    parent.setEnabled(false);
    QCOMPARE(button.alphaValue(), 0.55);
}

void InstallerPushButtonTest::pressedFaceIsDarker()
{
    InstallerPushButton button;
    button.setTitle("Install");
    button.resize(button.sizeHint());
    const QColor released = facePixel(button);
    const QPoint centre = button.rect().center();

    QTest::mousePress(&button, Qt::LeftButton, {}, centre);
    QVERIFY(button.cell().isHighlighted());
    const QColor pressed = facePixel(button);
    QVERIFY2(pressed.lightnessF() < released.lightnessF() - 0.05, "the pressed face is not darker");
    QTest::mouseRelease(&button, Qt::LeftButton, {}, centre);
    QCOMPARE(facePixel(button), released);

    QTest::keyPress(&button, Qt::Key_Space);
    QCOMPARE(facePixel(button), pressed);
    QTest::keyRelease(&button, Qt::Key_Space);
    QCOMPARE(facePixel(button), released);
}

void InstallerPushButtonTest::accessibilityTextsFollowTheFace()
{
    InstallerPushButton button;
    button.setTitle("Remove");
    button.setSubtitle(longSubtitle);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Remove"));
    QCOMPARE(accessible->text(QAccessible::Description), longSubtitle);
    button.setTitle(QString());
    QCOMPARE(accessible->text(QAccessible::Name), QString());
    QCOMPARE(accessible->text(QAccessible::Description), QString());
}

// The window's buttons in each of their looks, at the size they ask for.
void InstallerPushButtonTest::statesAreReadableAndUnclipped()
{
    QWidget window;
    window.setStyleSheet("background: #ece6f2");
    auto* layout = new QHBoxLayout(&window);
    const QColor titleColor = QColor::fromRgbF(0.6, 0.337, 0.863);
    QList<InstallerPushButton*> buttons;
    for (const QString state : {"Normal", "Pressed", "Disabled", "Title only"}) {
        auto* button = new InstallerPushButton;
        button->setTitle(state == QLatin1String("Title only") ? "Install" : "Update");
        if (state != QLatin1String("Title only"))
            button->setSubtitle(longSubtitle);
        button->setEnabled(state != QLatin1String("Disabled"));
        button->cell().setHighlighted(state == QLatin1String("Pressed"));
        layout->addWidget(button);
        buttons.append(button);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveScreenshot(window, "InstallerPushButton-states");
    for (InstallerPushButton* button : std::as_const(buttons)) {
        const QRect ink = inkOf(render(*button), titleColor);
        QVERIFY2(!ink.isEmpty(), qPrintable(button->title() + " draws no title"));
        QVERIFY2(button->rect().adjusted(4, 4, -4, -4).contains(ink),
                 qPrintable(button->title() + " is clipped"));
        QVERIFY(button->height() >= button->sizeHint().height());
    }
}

QTEST_MAIN(InstallerPushButtonTest)
#include "InstallerPushButtonTest.moc"
