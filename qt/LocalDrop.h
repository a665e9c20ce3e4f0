#pragma once
// What the windows take from a drag and drop: local files and folders only,
// and always as a copy, since a file manager that proposed a move would
// otherwise delete what the user dropped.

#include <QDropEvent>

namespace fenlark::gui {

enum class DropCount : bool { One, Any };

// Accepts the drag or drop as a copy when it carries local paths (exactly one
// for DropCount::One) and the source allows copying; ignores it otherwise.
// True when accepted.
bool AcceptLocalDrop(QDropEvent* event, DropCount count);

} // namespace fenlark::gui
