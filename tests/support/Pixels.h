#pragma once
// What a picture shows, for tests that look at what the program draws.
#include <cstdlib>
#include <QColor>
#include <QImage>
#include <span>

namespace corvane::test {

// The share of the image in colour c, give or take the blending of edges.
inline double share(const QImage& image, const QColor& c)
{
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (const QRgb p : std::span(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width()))
            hits += std::abs(qRed(p) - c.red()) < 12 && std::abs(qGreen(p) - c.green()) < 12
                    && std::abs(qBlue(p) - c.blue()) < 12;
    return image.isNull() ? 0 : double(hits) / (double(image.width()) * image.height());
}

}  // namespace corvane::test
