#include "SwfTags.h"

#include <cmath>
#include <numbers>
#include <QPoint>

namespace corvane::test::swf {

QByteArray u8(int v) { return QByteArray(1, char(v & 0xff)); }
QByteArray u16(int v) { return u8(v) + u8(v >> 8); }
QByteArray u32(quint32 v) { return u16(int(v & 0xffff)) + u16(int(v >> 16)); }
QByteArray rgb(const QColor& c) { return u8(c.red()) + u8(c.green()) + u8(c.blue()); }
QByteArray rgba(const QColor& c) { return rgb(c) + u8(c.alpha()); }
QByteArray cstring(const QString& s) { return s.toUtf8() + '\0'; }

QByteArray rect(int xmin, int xmax, int ymin, int ymax)
{
    const int n = std::max({bitsFor(xmin), bitsFor(xmax), bitsFor(ymin), bitsFor(ymax)});
    return Bits().put(n, 5).put(xmin, n).put(xmax, n).put(ymin, n).put(ymax, n).out;
}

QByteArray matrix(int scaleX, int scaleY, int x, int y)
{
    Bits b;
    const int s = std::max(bitsFor(scaleX), bitsFor(scaleY));
    b.put(1, 1).put(s, 5).put(scaleX, s).put(scaleY, s).put(0, 1);  // scale, no rotation
    const int t = std::max(bitsFor(x), bitsFor(y));
    return b.put(t, 5).put(x, t).put(y, t).out;
}

QByteArray tag(int code, const QByteArray& body) { return u16(code << 6 | 0x3f) + u32(quint32(body.size())) + body; }

QByteArray zlib(const QByteArray& raw) { return qCompress(raw, 9).mid(4); }  // qCompress puts the length first

QByteArray movie(int version, int widthPx, int heightPx, int frameRate, int frames, const QByteArray& tags)
{
    const QByteArray body = rect(0, widthPx * Twips, 0, heightPx * Twips) + u16(frameRate << 8) + u16(frames) + tags;
    return QByteArray("FWS") + u8(version) + u32(quint32(8 + body.size())) + body;
}

QByteArray solidFill(const QColor& c) { return u8(0x00) + rgba(c); }

QByteArray gradientFill(bool radial, int x, int y, int w, int h, const QList<std::pair<int, QColor>>& stops)
{
    // The gradient's own square is 32768 twips wide, centred on (0, 0).
    QByteArray b = u8(radial ? 0x12 : 0x10) + matrix(w * 2, h * 2, x + w / 2, y + h / 2);
    b += u8(int(stops.size()) & 0x0f);  // pad spread, normal interpolation
    for (const auto& [ratio, colour] : stops)
        b += u8(ratio) + rgba(colour);
    return b;
}

QByteArray bitmapFill(int bitmapId, int x, int y)
{
    return u8(0x41) + u16(bitmapId) + matrix(Twips << 16, Twips << 16, x, y);
}

void Outline::polygon(const QList<QPoint>& points, int fill, int line)
{
    if (points.isEmpty())
        return;
    // Style change: line, fill 1, fill 0, move to the first point.
    const QPoint p0 = points.first();
    const int m = std::max(bitsFor(p0.x()), bitsFor(p0.y()));
    bits_.put(0, 1).put(0, 1).put(1, 1).put(1, 1).put(1, 1).put(1, 1);
    bits_.put(m, 5).put(p0.x(), m).put(p0.y(), m).put(0, 4).put(fill, 4).put(line, 4);
    x_ = p0.x();
    y_ = p0.y();
    QList<QPoint> round = points;
    round << p0;
    for (qsizetype i = 1; i < round.size(); ++i) {  // straight edges, general lines
        const int dx = round[i].x() - x_, dy = round[i].y() - y_;
        const int n = std::max({bitsFor(dx), bitsFor(dy), 2});
        bits_.put(0b11, 2).put(n - 2, 4).put(1, 1).put(dx, n).put(dy, n);
        x_ = round[i].x();
        y_ = round[i].y();
    }
}

QByteArray Outline::records() const
{
    Bits b = bits_;
    QByteArray head = u8(0x44);  // four bits each for fill and line style indices
    return head + b.put(0, 6).out;
}

QByteArray defineShape(int id, const QByteArray& bounds, const QList<QByteArray>& fills,
                       const QList<std::pair<int, QColor>>& lines, const Outline& outline)
{
    QByteArray b = u16(id) + bounds + u8(int(fills.size()));
    for (const QByteArray& f : fills)
        b += f;
    b += u8(int(lines.size()));
    for (const auto& [w, c] : lines)
        b += u16(w) + rgba(c);
    return tag(32, b + outline.records());
}

QByteArray boxShape(int id, int x, int y, int w, int h, const QColor& c)
{
    Outline o;
    o.polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, 1);
    return defineShape(id, rect(x, x + w, y, y + h), {solidFill(c)}, {}, o);
}

QByteArray placeObject(int depth, int id, int x, int y, const QString& name)
{
    int flags = 0x04 | (id ? 0x02 : 0x01) | (name.isEmpty() ? 0 : 0x20);
    QByteArray b = u8(flags) + u16(depth);
    if (id)
        b += u16(id);
    b += matrix(0x10000, 0x10000, x, y);
    if (!name.isEmpty())
        b += cstring(name);
    return tag(26, b);
}

namespace {

enum FilterId { DropShadow = 0, Blur = 1, Glow = 2 };
QByteArray fixed(double v) { return u32(quint32(qint32(std::lround(v * 0x10000)))); }
QByteArray fixed8(double v) { return u16(int(std::lround(v * 0x100))); }
// Inner, knockout, composite source (always set), passes.
QByteArray shadowFlags(int passes) { return u8(0x20 | (passes & 0x1f)); }

}  // namespace

QByteArray dropShadowFilter(const QColor& c, double blur, double angleDegrees, double distance, double strength)
{
    return u8(DropShadow) + rgba(c) + fixed(blur) + fixed(blur) + fixed(angleDegrees * std::numbers::pi / 180)
            + fixed(distance) + fixed8(strength) + shadowFlags(1);
}

QByteArray glowFilter(const QColor& c, double blur, double strength)
{
    return u8(Glow) + rgba(c) + fixed(blur) + fixed(blur) + fixed8(strength) + shadowFlags(1);
}

QByteArray blurFilter(double blur) { return u8(Blur) + fixed(blur) + fixed(blur) + u8(1 << 3); }

QByteArray placeObject3(int depth, int id, int x, int y, const QList<QByteArray>& filters, Blend blend)
{
    constexpr int HasFilters = 0x01, HasBlend = 0x02;
    QByteArray b = u8(0x04 | 0x02) + u8((filters.isEmpty() ? 0 : HasFilters) | HasBlend) + u16(depth) + u16(id);
    b += matrix(0x10000, 0x10000, x, y);
    if (!filters.isEmpty()) {
        b += u8(int(filters.size()));
        for (const QByteArray& f : filters)
            b += f;
    }
    return tag(70, b + u8(int(blend)));
}

QByteArray defineBitmap(int id, int w, int h, bool alpha, const QList<QColor>& colours)
{
    QByteArray pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QColor& c = colours.at(((x * 4 / w) + (y * 4 / h)) % colours.size());
            pixels += u8(255) + u8(c.red()) + u8(c.green()) + u8(c.blue());  // opaque: premultiplied is the same
        }
    return tag(alpha ? 36 : 20, u16(id) + u8(5) + u16(w) + u16(h) + zlib(pixels));
}

QByteArray defineSound(int id, int ms, int hz)
{
    constexpr int Rate = 11025;
    const int count = Rate * ms / 1000;
    QByteArray samples;
    for (int i = 0; i < count; ++i)
        samples += u16(int(std::lround(8000 * std::sin(2 * std::numbers::pi * hz * i / Rate))));
    // Uncompressed little-endian (3), 11 kHz (1), 16 bits (1), mono (0).
    return tag(14, u16(id) + u8(3 << 4 | 1 << 2 | 1 << 1) + u32(quint32(count)) + samples);
}

QByteArray startSound(int id) { return tag(15, u16(id) + u8(0)); }

namespace {

// Glyph i of a font whose em square is `em` units: a square, a triangle or a
// bar, standing on the baseline.
Outline glyph(int i, int em)
{
    const int a = em / 10, b = em * 7 / 10;  // left and right, and the height
    Outline o;
    if (i % 3 == 0)
        o.polygon({{a, -b}, {b, -b}, {b, 0}, {a, 0}}, 1);
    else if (i % 3 == 1)
        o.polygon({{(a + b) / 2, -b}, {b, 0}, {a, 0}}, 1);
    else
        o.polygon({{a, -b}, {a + em / 5, -b}, {a + em / 5, 0}, {a, 0}}, 1);
    return o;
}

}  // namespace

QByteArray defineFont(int id, const QString& name, const QString& codes, bool three)
{
    const int em = three ? 1024 * Twips : 1024;
    const int n = int(codes.size());
    QList<QByteArray> shapes;
    for (int i = 0; i < n; ++i)
        shapes << glyph(i, em).records();
    // Offsets from the start of the offset table: n glyph offsets and the
    // code table's, two bytes each.
    QByteArray offsets, glyphs;
    int at = 2 * (n + 1);
    for (const QByteArray& s : shapes) {
        offsets += u16(at);
        glyphs += s;
        at += int(s.size());
    }
    offsets += u16(at);
    QByteArray codeTable;
    for (const QChar c : codes)
        codeTable += u16(c.unicode());
    const int flags = (three ? 0x80 : 0) | 0x04;  // layout for DefineFont3; wide codes
    QByteArray b = u16(id) + u8(flags) + u8(1) + u8(int(name.toUtf8().size())) + name.toUtf8() + u16(n);
    b += offsets + glyphs + codeTable;
    if (three) {  // ascent, descent, leading, advances, bounds, no kerning
        b += u16(em * 8 / 10) + u16(em * 2 / 10) + u16(0);
        for (int i = 0; i < n; ++i)
            b += u16(em * 8 / 10);
        for (int i = 0; i < n; ++i)
            b += rect(0, em * 8 / 10, -em * 7 / 10, 0);
        b += u16(0);
    }
    return tag(three ? 75 : 48, b);
}

QByteArray defineText(int id, int fontId, int count, int heightPx, const QColor& c, int x, int y)
{
    const int h = heightPx * Twips, advance = h * 8 / 10;
    QByteArray b = u16(id) + rect(0, advance * count, -h, 0) + matrix(0x10000, 0x10000, x, y);
    const int glyphBits = bitsFor(count), advanceBits = bitsFor(advance);
    b += u8(glyphBits) + u8(advanceBits);
    b += u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01) + u16(fontId) + rgb(c) + u16(0) + u16(0) + u16(h) + u8(count);
    Bits entries;
    for (int i = 0; i < count; ++i)
        entries.put(i, glyphBits).put(advance, advanceBits);
    return tag(11, b + entries.out + u8(0));
}

}  // namespace corvane::test::swf
