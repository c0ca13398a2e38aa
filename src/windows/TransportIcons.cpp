#include "TransportIcons.h"

#include <QPainter>
#include <QPolygon>

namespace corvane {
namespace {

void bar(QPainter& p, int x) { p.drawRect(x, 3, 2, 10); }

void triangleRight(QPainter& p, int x, int w)
{
    p.drawPolygon(QPolygon({QPoint(x, 3), QPoint(x + w, 8), QPoint(x, 13)}));
}

void triangleLeft(QPainter& p, int x, int w)
{
    p.drawPolygon(QPolygon({QPoint(x + w, 3), QPoint(x, 8), QPoint(x + w, 13)}));
}

}  // namespace

QIcon transportIcon(form1::Face face)
{
    using form1::Face;
    if (face == Face::None)
        return {};
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    switch (face) {
    case Face::ToStart:
        bar(p, 1);
        triangleLeft(p, 3, 5);
        triangleLeft(p, 9, 5);
        break;
    case Face::Play: triangleRight(p, 4, 8); break;
    case Face::Pause:
        p.drawRect(4, 3, 3, 10);
        p.drawRect(9, 3, 3, 10);
        break;
    case Face::Back:
        triangleLeft(p, 1, 6);
        triangleLeft(p, 8, 6);
        break;
    case Face::Forward:
        triangleRight(p, 1, 6);
        triangleRight(p, 8, 6);
        break;
    case Face::Next:
        triangleRight(p, 1, 5);
        triangleRight(p, 7, 5);
        bar(p, 13);
        break;
    case Face::None: break;
    }
    p.end();
    return QIcon(QPixmap::fromImage(img));
}

}  // namespace corvane
