#pragma once
// frmWait: the borderless "Processing demo please wait..." window shown while
// a demo is read.

#include <QWidget>

class QPushButton;

namespace fenlark::gui {

class WaitWindow : public QWidget {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* parent = nullptr);

    // Centres the window on the screen, shows it and paints it before
    // returning, since the read that follows blocks the event loop.
    void showAndPaint();

    QPushButton* cmdWait;
};

} // namespace fenlark::gui
