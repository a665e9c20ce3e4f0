#include "qt/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace fenlark::gui {

// The picture is drawn on its own 32-pixel grid: its coordinates and colours
// are the drawing, not values with a meaning of their own.
// NOLINTBEGIN(readability-magic-numbers)
QPixmap ProgramImage() {
    // A reel of film with a play mark: a recorded match, ready to be looked into.
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(QPen(QColor(20, 40, 90), 1.5));
    painter.setBrush(QColor(60, 110, 200));
    painter.drawEllipse(QRectF(2, 2, 28, 28));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 40, 90));
    for (const QPointF centre :
         {QPointF(16, 7.5), QPointF(16, 24.5), QPointF(7.5, 16), QPointF(24.5, 16)}) {
        painter.drawEllipse(centre, 3.2, 3.2);
    }

    QPainterPath play;
    play.moveTo(12.5, 10.5);
    play.lineTo(22.5, 16);
    play.lineTo(12.5, 21.5);
    play.closeSubpath();
    painter.setBrush(QColor(255, 220, 40));
    painter.setPen(QPen(QColor(120, 80, 0), 1));
    painter.drawPath(play);
    return image;
}
// NOLINTEND(readability-magic-numbers)

} // namespace fenlark::gui
