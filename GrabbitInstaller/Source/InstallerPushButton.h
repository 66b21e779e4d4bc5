// SPDX-License-Identifier: MIT
#pragma once

#include "InstallerPushButtonCell.h"

#include <QPushButton>

#include <memory>

// One of the window's two large action buttons: a translucent rounded face with a large title and,
// below it, a smaller grey subtitle. The texts live in the cell, which also paints the face.
// Use "title" (not "text") in code and in interface files; screen readers get the title as the
// accessible name and the shown subtitle as the accessible description.
class InstallerPushButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString subtitle READ subtitle WRITE setSubtitle)

public:
    explicit InstallerPushButton(QWidget* parent = nullptr);
    // For buttons whose cell composes with other text attributes.
    InstallerPushButton(std::unique_ptr<InstallerPushButtonCell> cell, QWidget* parent = nullptr);
    ~InstallerPushButton() override;

    QString title() const { return m_cell->title(); }
    void setTitle(const QString& title);
    QString subtitle() const { return m_cell->subtitle(); }
    void setSubtitle(const QString& subtitle);

    InstallerPushButtonCell& cell() const { return *m_cell; }

    // The whole button's opacity, face, text and image alike; the cell fades a disabled button.
    qreal alphaValue() const { return m_alphaValue; }
    void setAlphaValue(qreal alphaValue);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void InstallerPushButton_commonInit();
    void updateAccessibleTexts();

    std::unique_ptr<InstallerPushButtonCell> m_cell;
    qreal m_alphaValue = 1.0;
};
