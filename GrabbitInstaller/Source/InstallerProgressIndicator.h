// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>
#include <QWidget>

// The busy overlay's spinning indicator: a ring of spokes whose brightest spoke goes round while
// it animates. It turns as long as the event loop does, which the engine's waits keep running.
class InstallerProgressIndicator : public QWidget {
    Q_OBJECT

public:
    explicit InstallerProgressIndicator(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_timer.isActive(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QTimer m_timer;
    int m_leadingSpoke = 0;
};
