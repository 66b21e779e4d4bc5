// SPDX-License-Identifier: MIT
#include "InstallerProgressIndicator.h"

#include <QPainter>

namespace {

constexpr int spokeCount = 12;
// One turn a second, as the system's spinners go.
constexpr int stepMilliseconds = 1000 / spokeCount;
constexpr int side = 32;

} // namespace

InstallerProgressIndicator::InstallerProgressIndicator(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_timer.setInterval(stepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &InstallerProgressIndicator::advance);
}

void InstallerProgressIndicator::startAnimation()
{
    m_timer.start();
}

void InstallerProgressIndicator::stopAnimation()
{
    m_timer.stop();
}

QSize InstallerProgressIndicator::sizeHint() const
{
    return {side, side};
}

void InstallerProgressIndicator::advance()
{
    m_leadingSpoke = (m_leadingSpoke + 1) % spokeCount;
    update();
}

void InstallerProgressIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(width(), height()) / 2.0;
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(Qt::black, radius / 5.0, Qt::SolidLine, Qt::RoundCap);
    // The leading spoke is darkest; those behind it fade, so the ring seems to turn clockwise.
    for (int spoke = 0; spoke < spokeCount; ++spoke) {
        const int behind = (m_leadingSpoke - spoke + spokeCount) % spokeCount;
        pen.setColor(QColor::fromRgbF(0, 0, 0, 0.75 - 0.6 * behind / (spokeCount - 1)));
        painter.setPen(pen);
        painter.save();
        painter.rotate(spoke * 360.0 / spokeCount);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        painter.restore();
    }
}
