#include "qt/MatchCommand.h"

#include "qt/MatchWindow.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

namespace fenlark::gui {

MatchCommand::MatchCommand(QWidget& window, Session& session)
    : QObject(&window), window_(window), session_(session) {
    action_ = new QAction("&Match...", this);
    action_->setObjectName("actMatch");
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    action_->setShortcutContext(Qt::WindowShortcut);
    window_.addAction(action_);
    connect(action_, &QAction::triggered, this, &MatchCommand::openMatchWindow);
    // Context menu events that no control of the window takes reach the
    // window itself.
    window_.installEventFilter(this);
}

MatchWindow* MatchCommand::matchWindow() const {
    return matchWindow_;
}

QMenu* MatchCommand::createContextMenu() {
    auto* menu = new QMenu(&window_);
    menu->setObjectName("mnuMatch");
    action_->setEnabled(PrepareMatchAnalysis(session_).kind != MatchAnalysisRequest::Kind::None);
    menu->addAction(action_);
    return menu;
}

bool MatchCommand::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::ContextMenu) {
        QMenu* menu = createContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        // The action stays usable by its shortcut whatever the menu showed.
        connect(menu, &QMenu::aboutToHide, this, [this] { action_->setEnabled(true); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void MatchCommand::openMatchWindow() {
    MatchAnalysisRequest request = PrepareMatchAnalysis(session_);
    if (request.kind == MatchAnalysisRequest::Kind::None) {
        return;
    }
    if (matchWindow_ && matchWindow_->request().demoPath == request.demoPath) {
        matchWindow_->show();
        matchWindow_->raise();
        matchWindow_->activateWindow();
        return;
    }
    if (matchWindow_) {
        matchWindow_->close(); // deletes it, cancelling its analysis
    }
    const QString name = QFileInfo(QString::fromStdString(request.demoPath)).fileName();
    matchWindow_ = new MatchWindow(std::move(request), name, &window_);
    matchWindow_->show();
}

} // namespace fenlark::gui
