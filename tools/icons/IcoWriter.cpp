#include "IcoWriter.h"

#include <QDataStream>
#include <QIODevice>

namespace corvane::iconart {
namespace {

int stride(int bits, int width) { return ((bits * width + 31) / 32) * 4; }

bool transparentAt(const QImage& image, int x, int y)
{
    if (image.format() == QImage::Format_Indexed8)
        return qAlpha(image.color(image.pixelIndex(x, y))) == 0;
    return qAlpha(image.pixel(x, y)) == 0;
}

// BITMAPINFOHEADER, palette, colour rows and mask rows, bottom row first.
QByteArray bitmap(const QImage& image)
{
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const int bits = indexed ? 8 : 32;
    const int w = image.width(), h = image.height();
    const int colourStride = stride(bits, w), maskStride = stride(1, w);

    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint32(40) << qint32(w) << qint32(2 * h) << quint16(1) << quint16(bits) << quint32(0)
      << quint32((colourStride + maskStride) * h) << qint32(0) << qint32(0) << quint32(indexed ? 256 : 0) << quint32(0);
    if (indexed) {
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < image.colorCount() ? image.color(i) : 0;
            s << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(0);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(colourStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (indexed) {
                row[x] = char(image.pixelIndex(x, y));
            } else {
                const QRgb c = image.pixel(x, y);
                row[4 * x] = char(qBlue(c));
                row[4 * x + 1] = char(qGreen(c));
                row[4 * x + 2] = char(qRed(c));
                row[4 * x + 3] = char(qAlpha(c));
            }
        }
        s.writeRawData(row.constData(), row.size());
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (transparentAt(image, x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        s.writeRawData(row.constData(), row.size());
    }
    return out;
}

}  // namespace

QByteArray icoFile(const QList<QImage>& images)
{
    QList<QByteArray> bitmaps;
    for (const QImage& image : images)
        bitmaps << bitmap(image.format() == QImage::Format_Indexed8 ? image
                                                                    : image.convertToFormat(QImage::Format_ARGB32));
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const QImage& image = images[i];
        const bool indexed = image.format() == QImage::Format_Indexed8;
        s << quint8(image.width()) << quint8(image.height()) << quint8(0) << quint8(0) << quint16(1)
          << quint16(indexed ? 8 : 32) << quint32(bitmaps[i].size()) << offset;
        offset += quint32(bitmaps[i].size());
    }
    for (const QByteArray& b : bitmaps)
        s.writeRawData(b.constData(), b.size());
    return out;
}

}  // namespace corvane::iconart
