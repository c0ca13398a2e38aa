#include "SidePanel.h"

#include <QPainter>

namespace corvane {

void SidePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor base = palette().color(QPalette::Window);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, base.lighter(106));
    g.setColorAt(1, base.darker(103));
    p.fillRect(rect(), g);
    // A thin rule under the row of kind buttons and above the display.
    p.setPen(base.darker(115));
    p.drawLine(8, 38, width() - 16, 38);
    p.drawLine(8, 106, width() - 16, 106);
}

}  // namespace corvane
