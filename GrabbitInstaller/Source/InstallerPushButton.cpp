// SPDX-License-Identifier: MIT
#include "InstallerPushButton.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

// Room around the text beyond the title rectangle's own inset, so that the face never clips it.
constexpr int textPadding = 12;
// The cell's title rectangle keeps this much clear on either side.
constexpr int titleInset = 8;

} // namespace

InstallerPushButton::InstallerPushButton(QWidget* parent)
    : InstallerPushButton(std::make_unique<InstallerPushButtonCell>(), parent)
{
}

InstallerPushButton::InstallerPushButton(std::unique_ptr<InstallerPushButtonCell> cell, QWidget* parent)
    : QPushButton(parent), m_cell(std::move(cell))
{
    InstallerPushButton_commonInit();
}

InstallerPushButton::~InstallerPushButton() = default;

// The face is drawn pressed exactly while the button is down, by mouse or by keyboard.
void InstallerPushButton::InstallerPushButton_commonInit()
{
    m_cell->setControlView(this);
    m_cell->setEnabled(isEnabled());
    connect(this, &QAbstractButton::pressed, this, [this] { m_cell->setHighlighted(true); });
    connect(this, &QAbstractButton::released, this, [this] { m_cell->setHighlighted(false); });
    updateAccessibleTexts();
}

void InstallerPushButton::setTitle(const QString& title)
{
    m_cell->setTitle(title);
    updateAccessibleTexts();
    updateGeometry();
}

void InstallerPushButton::setSubtitle(const QString& subtitle)
{
    m_cell->setSubtitle(subtitle);
    updateAccessibleTexts();
    updateGeometry();
}

void InstallerPushButton::setAlphaValue(qreal alphaValue)
{
    m_alphaValue = alphaValue;
    update();
}

// Screen readers read what the face shows: no subtitle without a title.
void InstallerPushButton::updateAccessibleTexts()
{
    setAccessibleName(m_cell->title());
    setAccessibleDescription(m_cell->title().isNull() ? QString() : m_cell->subtitle());
}

QSize InstallerPushButton::sizeHint() const
{
    const QSizeF text = m_cell->attributedTitleSize();
    const QSize iconRoom = icon().isNull() ? QSize() : iconSize();
    return QSize(qCeil(text.width()) + 2 * (titleInset + textPadding) + iconRoom.width(),
                 qMax(qCeil(text.height()), iconRoom.height()) + 2 * textPadding);
}

QSize InstallerPushButton::minimumSizeHint() const
{
    return sizeHint();
}

void InstallerPushButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(m_alphaValue);
    m_cell->drawWithFrame(painter, QRectF(rect()));
    if (!hasFocus())
        return;
    QPainterPath ring;
    ring.addRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(ring, QPen(palette().color(QPalette::Highlight), 2));
}

void InstallerPushButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        m_cell->setEnabled(isEnabled());
}
