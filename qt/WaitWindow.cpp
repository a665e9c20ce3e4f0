#include "qt/WaitWindow.h"

#include "app/WindowLayout.h"
#include "qt/Twips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace fenlark::gui {

namespace {

constexpr double FontPoints = 14.25;
constexpr int TextMargin = 16;       // pixels kept free beside the text
constexpr int NarrowestStretch = 50; // per cent of the face's own width
constexpr int FullStretch = 100;
constexpr int ExposeWaitMs = 250; // longest wait for the window to be mapped
constexpr int ExposePollMs = 25;

} // namespace

WaitWindow::WaitWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName("frmWait");
    // The desktop draws neither a caption nor a border: the thin border is
    // painted here, the same on every desktop.
    setWindowTitle(QString());
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(TwipsToPixels(WaitWindowWidth), TwipsToPixels(WaitWindowHeight));

    cmdWait = new QPushButton("Processing demo please wait...", this);
    cmdWait->setObjectName("cmdWait");
    cmdWait->setGeometry(rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth));
    cmdWait->setFocusPolicy(Qt::NoFocus);
    QFont font("Arial");
    font.setPointSizeF(FontPoints);
    font.setBold(true);
    // Where Arial is replaced by a wider face, narrow the letters rather than
    // cut the text off at the edges of the button.
    const int room = cmdWait->width() - TextMargin;
    const int needed = QFontMetrics(font).horizontalAdvance(cmdWait->text());
    if (needed > room) {
        font.setStretch(std::max(NarrowestStretch, FullStretch * room / needed));
    }
    cmdWait->setFont(font);
}

void WaitWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), BorderWidth));
    painter.drawRect(rect().adjusted(0, 0, -BorderWidth, -BorderWidth));
}

void WaitWindow::showAndPaint() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = geometry();
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }
    show();
    raise();
    // A new top-level window is mapped asynchronously; give the platform a
    // moment to expose it so that the paint below reaches the screen. User
    // input stays queued: the window is not meant to respond during a read.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() != nullptr && !windowHandle()->isExposed() &&
           waited.elapsed() < ExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, ExposePollMs);
    }
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace fenlark::gui
