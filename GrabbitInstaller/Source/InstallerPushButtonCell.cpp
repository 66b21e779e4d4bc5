// SPDX-License-Identifier: MIT
#include "InstallerPushButtonCell.h"

#include "FontWithNameOrSystemFont.h"
#include "InstallerPushButton.h"
#include "ZFString.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr qreal titleInset = 8.0;
constexpr qreal faceInset = 0.5;
constexpr qreal faceRadius = 8.0;

QVariantMap textAttributes(const QFont& font, const QColor& color)
{
    return {{QString::fromLatin1(GBFontAttributeName), QVariant::fromValue(font)},
            {QString::fromLatin1(GBForegroundColorAttributeName), QVariant::fromValue(color)}};
}

QTextCharFormat charFormat(const QVariantMap& attributes)
{
    QTextCharFormat format;
    const QVariant font = attributes.value(QString::fromLatin1(GBFontAttributeName));
    if (font.canConvert<QFont>())
        format.setFont(font.value<QFont>());
    const QVariant color = attributes.value(QString::fromLatin1(GBForegroundColorAttributeName));
    if (color.canConvert<QColor>())
        format.setForeground(color.value<QColor>());
    return format;
}

// Qt's rendering of the composed text; runs without attributes take the first run's font.
void fillDocument(QTextDocument& document, const ZFAttributedString& text)
{
    document.setDocumentMargin(0);
    if (!text.runs().isEmpty())
        document.setDefaultFont(charFormat(text.runs().first().attributes).font());
    QTextCursor cursor(&document);
    for (const ZFAttributedString::Run& run : text.runs())
        cursor.insertText(run.text, charFormat(run.attributes));
}

} // namespace

InstallerPushButtonCell::InstallerPushButtonCell()
{
    InstallerPushButtonCell_commonInit();
}

InstallerPushButtonCell::InstallerPushButtonCell(const QString& title) : _title(title)
{
    InstallerPushButtonCell_commonInit();
}

InstallerPushButtonCell::InstallerPushButtonCell(const InstallerPushButtonCell& other)
    : _title(other._title), _subtitle(other._subtitle), m_attributedTitle(other.m_attributedTitle),
      m_highlighted(other.m_highlighted), m_enabled(other.m_enabled)
{
}

// Image to the right of the title, scaled down only, and no built-in highlighting: the drawing
// below does all of that; what is left is showing the initial title.
void InstallerPushButtonCell::InstallerPushButtonCell_commonInit()
{
    if (!_title.isNull())
        InstallerPushButtonCell::updateAttributedTitle();
}

void InstallerPushButtonCell::setTitle(const QString& title)
{
    _title = title;
    updateAttributedTitle();
}

void InstallerPushButtonCell::setSubtitle(const QString& subtitle)
{
    if (subtitle.isNull() == _subtitle.isNull() && subtitle == _subtitle)
        return;
    _subtitle = subtitle;
    updateAttributedTitle();
}

void InstallerPushButtonCell::setAttributedTitle(const ZFAttributedString& attributedTitle)
{
    m_attributedTitle = attributedTitle;
    if (m_controlView)
        m_controlView->update();
}

void InstallerPushButtonCell::updateAttributedTitle()
{
    if (_title.isNull()) {
        setAttributedTitle(ZFAttributedString());
        return;
    }
    ZFAttributedString text(_title, classTitleTextAttributes());
    if (!isEmptyString(_subtitle)) {
        text.appendString(QStringLiteral("\n"));
        text.appendAttributedString(ZFAttributedString(_subtitle, classSubtitleTextAttributes()));
    }
    setAttributedTitle(text);
}

void InstallerPushButtonCell::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
    if (m_controlView)
        m_controlView->update();
}

void InstallerPushButtonCell::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (m_controlView)
        m_controlView->setAlphaValue(enabled ? 1.0 : 0.55);
}

QRectF InstallerPushButtonCell::imageFrameForBounds(const QRectF& bounds) const
{
    if (!m_controlView || m_controlView->icon().isNull())
        return {};
    const QSizeF size = m_controlView->iconSize().boundedTo(bounds.size().toSize());
    return QRectF(bounds.right() - size.width(), bounds.center().y() - size.height() / 2, size.width(),
                  size.height());
}

// The button's coordinates run downwards like those of a flipped control view: one point towards
// smaller y lifts the text.
QRectF InstallerPushButtonCell::titleRectForBounds(const QRectF& bounds) const
{
    QRectF rect = bounds;
    const QRectF imageFrame = imageFrameForBounds(bounds);
    if (!imageFrame.isEmpty())
        rect.setRight(imageFrame.left());
    return rect.translated(titleInset, -1).adjusted(0, 0, -2 * titleInset, 0);
}

void InstallerPushButtonCell::drawImage(QPainter& painter, const QRectF& frame) const
{
    if (frame.isEmpty())
        return;
    m_controlView->icon().paint(&painter, frame.translated(-titleInset, 0).toRect());
}

void InstallerPushButtonCell::drawBezelWithFrame(QPainter& painter, const QRectF& frame) const
{
    QPainterPath outline;
    outline.addRoundedRect(frame.adjusted(faceInset, faceInset, -faceInset, -faceInset), faceRadius,
                           faceRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outline, QColor::fromRgbF(1, 1, 1, 0.75));
    if (m_highlighted)
        painter.fillPath(outline, QColor::fromRgbF(0, 0, 0, 0.1));
    painter.strokePath(outline, QPen(QColor::fromRgbF(0, 0, 0, 0.25), 1));
    painter.restore();
}

// The text sits at the left of the title rectangle, centred vertically, wrapping rather than
// running past the face.
void InstallerPushButtonCell::drawTitle(QPainter& painter, const QRectF& titleRect) const
{
    if (m_attributedTitle.isEmpty())
        return;
    QTextDocument document;
    fillDocument(document, m_attributedTitle);
    document.setTextWidth(titleRect.width());
    const qreal top = titleRect.top() + (titleRect.height() - document.size().height()) / 2;
    painter.save();
    painter.translate(titleRect.left(), top);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
}

void InstallerPushButtonCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    drawBezelWithFrame(painter, frame);
    drawImage(painter, imageFrameForBounds(frame));
    drawTitle(painter, titleRectForBounds(frame));
}

QSizeF InstallerPushButtonCell::attributedTitleSize() const
{
    QTextDocument document;
    fillDocument(document, m_attributedTitle);
    return {document.idealWidth(), m_attributedTitle.isEmpty() ? 0.0 : document.size().height()};
}

const QVariantMap& InstallerPushButtonCell::titleTextAttributes()
{
    static const QVariantMap attributes =
        textAttributes(fontWithNameOrSystemFont(QStringLiteral("Corbelline-Light"), 24),
                       QColor::fromRgbF(0.6, 0.337, 0.863, 1.0));
    return attributes;
}

const QVariantMap& InstallerPushButtonCell::subtitleTextAttributes()
{
    static const QVariantMap attributes = textAttributes(
        fontWithNameOrSystemFont(QStringLiteral("Corbelline-Regular"), 15), QColor::fromRgbF(0, 0, 0, 0.4));
    return attributes;
}
