// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QWidget>

// The faint dark overlay laid over the whole window content while an installation or removal
// runs. While visible it swallows mouse clicks and takes the keyboard focus, eating keys and
// shortcuts, so that no control beneath it can be triggered; hiding it gives the focus back.
class InstallerProgressView : public QWidget {
    Q_OBJECT

public:
    explicit InstallerProgressView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QPointer<QWidget> m_focusBeforeShowing;
};
