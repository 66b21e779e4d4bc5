// SPDX-License-Identifier: MIT
#pragma once

#include "ZFAttributedString.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

class InstallerPushButton;
class QPainter;

// Keys of the text attributes that the cell composes its title with: a QFont and a QColor.
inline constexpr char GBFontAttributeName[] = "NSFont";
inline constexpr char GBForegroundColorAttributeName[] = "NSColor";

// Does the work of an InstallerPushButton: keeps the plain title and the subtitle, composes them
// into the two-line face text, and paints the translucent rounded face, the image and the text.
class InstallerPushButtonCell {
public:
    InstallerPushButtonCell();
    explicit InstallerPushButtonCell(const QString& title);
    virtual ~InstallerPushButtonCell() = default;

    // A copy keeps its own texts and draws for no view until a button takes it.
    InstallerPushButtonCell(const InstallerPushButtonCell& other);
    InstallerPushButtonCell& operator=(const InstallerPushButtonCell&) = delete;

    // A null string is "no title"; the title is recomposed on every call.
    const QString& title() const { return _title; }
    void setTitle(const QString& title);

    // Setting the value already held leaves the composed title as it is.
    const QString& subtitle() const { return _subtitle; }
    void setSubtitle(const QString& subtitle);

    // The composed face text: the title, and on the next line the subtitle in its smaller style.
    const ZFAttributedString& attributedTitle() const { return m_attributedTitle; }
    void setAttributedTitle(const ZFAttributedString& attributedTitle);

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    InstallerPushButton* controlView() const { return m_controlView; }
    void setControlView(InstallerPushButton* controlView) { m_controlView = controlView; }

    QRectF titleRectForBounds(const QRectF& bounds) const;
    // Draws the image, when the view has one, with the frame moved 8 points left.
    void drawImage(QPainter& painter, const QRectF& frame) const;
    void drawBezelWithFrame(QPainter& painter, const QRectF& frame) const;
    void drawTitle(QPainter& painter, const QRectF& titleRect) const;
    // The whole face: bezel, image and text.
    void drawWithFrame(QPainter& painter, const QRectF& frame) const;
    // The room the composed text needs, unwrapped.
    QSizeF attributedTitleSize() const;

    virtual void updateAttributedTitle();

    // Built once per process on first use; the named font, else the system font at its size.
    static const QVariantMap& titleTextAttributes();
    static const QVariantMap& subtitleTextAttributes();

protected:
    // The attributes of this cell's own class; a subclass answers its own.
    virtual const QVariantMap& classTitleTextAttributes() const { return titleTextAttributes(); }
    virtual const QVariantMap& classSubtitleTextAttributes() const { return subtitleTextAttributes(); }

private:
    void InstallerPushButtonCell_commonInit();
    QRectF imageFrameForBounds(const QRectF& bounds) const;

    QString _title;
    QString _subtitle;
    ZFAttributedString m_attributedTitle;
    bool m_highlighted = false;
    bool m_enabled = true;
    InstallerPushButton* m_controlView = nullptr;
};
