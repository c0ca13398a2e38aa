#include "IconArt.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace corvane::iconart {
namespace {

// Pictures are drawn on a 48-unit square and scaled to the image size.
constexpr qreal kUnits = 48.0;

void drawApp(QPainter& p)
{
    const QRectF square(2, 2, 44, 44);
    QPainterPath rounded;
    rounded.addRoundedRect(square, 9, 9);
    p.save();
    p.setClipPath(rounded);
    p.fillRect(QRectF(0, 0, 24, 24), QColor(0xE5, 0x39, 0x35));    // red
    p.fillRect(QRectF(24, 0, 24, 24), QColor(0x43, 0xA0, 0x47));   // green
    p.fillRect(QRectF(0, 24, 24, 24), QColor(0x1E, 0x88, 0xE5));   // blue
    p.fillRect(QRectF(24, 24, 24, 24), QColor(0xFD, 0xD8, 0x35));  // yellow
    p.restore();
    p.setPen(QPen(QColor(0x26, 0x32, 0x38), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rounded);
    // The dark disc, set off from the quadrants by a light ring.
    p.setPen(QPen(QColor(0xFA, 0xFA, 0xFA), 2.5));
    QRadialGradient disc(QPointF(21, 21), 14);
    disc.setColorAt(0, QColor(0x55, 0x5F, 0x66));
    disc.setColorAt(1, QColor(0x15, 0x18, 0x1B));
    p.setBrush(disc);
    p.drawEllipse(QPointF(24, 24), 11, 11);
}

void drawHelp(QPainter& p)
{
    QRadialGradient blue(QPointF(18, 16), 30);
    blue.setColorAt(0, QColor(0x64, 0xB5, 0xF6));
    blue.setColorAt(1, QColor(0x15, 0x55, 0xB0));
    p.setPen(QPen(QColor(0x0D, 0x3C, 0x8C), 2));
    p.setBrush(blue);
    p.drawEllipse(QPointF(24, 24), 21.5, 21.5);

    const QRectF bowl(16, 9, 16, 16);
    QPainterPath mark;
    mark.arcMoveTo(bowl, 160);
    mark.arcTo(bowl, 160, -230);
    mark.lineTo(24, 30);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 38.5), 3.6, 3.6);
}

void drawFormats(QPainter& p)
{
    // Window frame, title bar with its close box, white client area.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x37, 0x47, 0x4F));
    p.drawRect(QRectF(3, 6, 42, 36));
    p.setBrush(QColor(0x1A, 0x3C, 0x9E));
    p.drawRect(QRectF(4.5, 7.5, 39, 7.5));
    p.setBrush(QColor(0xEF, 0x53, 0x50));
    p.drawRect(QRectF(37.5, 9, 4.5, 4.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 16.5, 39, 24));
    // A grid of coloured squares, three by two.
    const QColor colours[] = {QColor(0xE5, 0x39, 0x35), QColor(0x43, 0xA0, 0x47), QColor(0x1E, 0x88, 0xE5),
                              QColor(0xFD, 0xD8, 0x35), QColor(0xFB, 0x8C, 0x00), QColor(0x8E, 0x24, 0xAA)};
    for (int i = 0; i < 6; ++i) {
        p.setBrush(colours[i]);
        const int column = i % 3, row = i / 3;
        p.drawRect(QRectF(7.5 + column * 12, 19.5 + row * 10.5, 9, 7.5));
    }
}

void drawAbout(QPainter& p)
{
    QPolygonF star;
    const QPointF centre(24, 26);
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? 22.5 : 9.2;
        const qreal a = qDegreesToRadians(-90.0 + i * 36.0);
        star << centre + QPointF(r * qCos(a), r * qSin(a));
    }
    QLinearGradient gold(QPointF(10, 4), QPointF(38, 46));
    gold.setColorAt(0, QColor(0xFF, 0xF1, 0x76));
    gold.setColorAt(0.5, QColor(0xFF, 0xC1, 0x07));
    gold.setColorAt(1, QColor(0xE6, 0x8A, 0x00));
    p.setPen(QPen(QColor(0x9C, 0x6B, 0x00), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gold);
    p.drawPolygon(star);
}

int channelBin(QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); }

int distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

std::vector<int> sizes(Picture picture)
{
    switch (picture) {
    case Picture::App: return {16, 32, 48};
    case Picture::Formats: return {32};
    case Picture::Help:
    case Picture::About: return {16, 24, 32, 48};
    }
    return {};
}

bool hasTrueColour(Picture picture) { return picture == Picture::Help || picture == Picture::About; }

QImage paint(Picture picture, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kUnits, size / kUnits);
    switch (picture) {
    case Picture::App: drawApp(p); break;
    case Picture::Help: drawHelp(p); break;
    case Picture::Formats: drawFormats(p); break;
    case Picture::About: drawAbout(p); break;
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage toPalette(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    // Colours of the opaque pixels, merged into 15-bit bins; the 255 most
    // used bins (their mean colours) make the palette after the transparent
    // entry.
    struct Bin {
        qint64 r = 0, g = 0, b = 0, n = 0;
    };
    QHash<int, Bin> bins;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) < 128)
                continue;
            Bin& bin = bins[channelBin(c)];
            bin.r += qRed(c), bin.g += qGreen(c), bin.b += qBlue(c), ++bin.n;
        }
    std::vector<Bin> ranked(bins.cbegin(), bins.cend());
    std::stable_sort(ranked.begin(), ranked.end(), [](const Bin& a, const Bin& b) { return a.n > b.n; });
    if (ranked.size() > 255)
        ranked.resize(255);
    QList<QRgb> table{qRgba(0, 0, 0, 0)};
    for (const Bin& bin : ranked)
        table << qRgb(int(bin.r / bin.n), int(bin.g / bin.n), int(bin.b / bin.n));
    while (table.size() < 256)
        table << qRgb(0, 0, 0);

    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    const int used = int(ranked.size()) + 1;
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            int best = 0;
            if (qAlpha(c) >= 128) {
                int bestDistance = INT_MAX;
                for (int i = 1; i < used; ++i) {
                    const int d = distance(c, table[i]);
                    if (d < bestDistance)
                        bestDistance = d, best = i;
                }
            }
            line[x] = uchar(best);
        }
    }
    return out;
}

}  // namespace corvane::iconart
