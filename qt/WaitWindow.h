#pragma once
// frmWait: the "Processing demo please wait..." window shown while a demo is
// read. It has a thin fixed border and no caption, and is a tool window of
// the main window, so it gets no taskbar entry of its own.

#include <QWidget>

class QPushButton;

namespace fenlark::gui {

class WaitWindow : public QWidget {
    Q_OBJECT
public:
    // The main window, when given, owns the wait window.
    explicit WaitWindow(QWidget* mainWindow = nullptr);

    // Centres the window on the screen, shows it and paints it before
    // returning, since the read that follows blocks the event loop.
    void showAndPaint();

    QPushButton* cmdWait;

    // Width of the border drawn around the button, in pixels.
    static constexpr int BorderWidth = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace fenlark::gui
