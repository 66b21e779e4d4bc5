// SPDX-License-Identifier: MIT
#include "InstallerProgressView.h"

#include <QKeyEvent>
#include <QPainter>

#include <utility>

InstallerProgressView::InstallerProgressView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::NoFocus);
}

void InstallerProgressView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.1));
}

// A focused button beneath would still take Space or Return: the overlay holds the focus instead.
// Minimizing and restoring the window (spontaneous events) changes nothing.
void InstallerProgressView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    QWidget* focused = window()->focusWidget();
    if (focused != this)
        m_focusBeforeShowing = focused;
    setFocus(Qt::OtherFocusReason);
}

void InstallerProgressView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    QWidget* previous = std::exchange(m_focusBeforeShowing, nullptr);
    if (window()->focusWidget() == this && previous && previous->isEnabled() && previous->isVisible())
        previous->setFocus(Qt::OtherFocusReason);
}

// Every mouse button, wheel and key event ends here, and shortcuts (mnemonics of the buttons
// beneath included) are taken as plain keys, so nothing starts another action while work runs.
// Only the application's own commands, Quit and Help, still reach the window.
bool InstallerProgressView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Quit) || key->matches(QKeySequence::HelpContents))
            return QWidget::event(event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

// Tab stays on the overlay while it shows; once hidden, the focus moves on as usual.
bool InstallerProgressView::focusNextPrevChild(bool next)
{
    return isVisible() || QWidget::focusNextPrevChild(next);
}
