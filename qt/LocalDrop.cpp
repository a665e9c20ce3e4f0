#include "qt/LocalDrop.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace fenlark::gui {

bool AcceptLocalDrop(QDropEvent* event, DropCount count) {
    const QMimeData* mime = event->mimeData();
    const QList<QUrl> urls = mime->hasUrls() ? mime->urls() : QList<QUrl>();
    const bool countFits = count == DropCount::One ? urls.size() == 1 : !urls.isEmpty();
    if (!countFits ||
        !std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }) ||
        !event->possibleActions().testFlag(Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace fenlark::gui
