#pragma once
// The Match command of the main window: a context menu (right click on any
// part of the window that has no menu of its own) and Ctrl+M open the Match
// window for the loaded demo. Installed on the window from outside, so the
// window itself stays as designed.

#include "core/Session.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace fenlark::gui {

class MatchWindow;

class MatchCommand : public QObject {
    Q_OBJECT
public:
    // Becomes a child of `window`.
    MatchCommand(QWidget& window, Session& session);

    // The context menu as it would show now (the caller owns it).
    QMenu* createContextMenu();
    // The Match window open now, if any.
    MatchWindow* matchWindow() const;

public slots:
    // Opens the Match window for the loaded demo, or brings the open one to
    // the front when it shows the same demo.
    void openMatchWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    Session& session_;
    QAction* action_;
    QPointer<MatchWindow> matchWindow_;
};

} // namespace fenlark::gui
