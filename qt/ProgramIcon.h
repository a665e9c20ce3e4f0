#pragma once
// The program's 32 x 32 image: the window icon and the picture in the frame.

#include <QPixmap>

namespace fenlark::gui {

QPixmap ProgramImage();

} // namespace fenlark::gui
