// The AVM1 movie of RichMovies.h.
#include "RichMovies.h"
#include "SwfTags.h"

#include <QPoint>

namespace corvane::test {

using namespace swf;

namespace {

constexpr int W = 200, H = 150;  // the stage, in pixels
enum Id { Bitmap = 1, Marker, Gradients, Tile, ButtonUp, ButtonOver, ButtonDown, Button, Font, Glyphs, Field, Sound };

QByteArray action(int code, const QByteArray& body = {})
{
    if (code < 0x80)
        return u8(code);
    return u8(code) + u16(int(body.size())) + body;
}
QByteArray push(const QString& s) { return action(0x96, u8(0) + cstring(s)); }
QByteArray push(int v) { return action(0x96, u8(7) + u32(quint32(v))); }

// n = n + 1; msg = "Frame " + Math.floor(n * 3 / 2)
QByteArray countFrame()
{
    QByteArray a = push(QStringLiteral("n")) + push(QStringLiteral("n")) + action(0x1C) + push(1) + action(0x47)
            + action(0x1D);
    a += push(QStringLiteral("msg")) + push(QStringLiteral("Frame "));
    a += push(QStringLiteral("n")) + action(0x1C) + push(3) + action(0x0C) + push(2) + action(0x0D);
    a += push(1) + push(QStringLiteral("Math")) + action(0x1C) + push(QStringLiteral("floor")) + action(0x52);
    return a + action(0x47) + action(0x1D);
}

QByteArray gradients()
{
    const int x = 140 * Twips, w = 55 * Twips;
    Outline o;
    o.polygon({{x, 5 * Twips}, {x + w, 5 * Twips}, {x + w, 60 * Twips}, {x, 60 * Twips}}, 1, 1);
    o.polygon({{x + w / 2, 65 * Twips}, {x + w, 100 * Twips}, {x, 100 * Twips}}, 2, 1);
    const QList<QByteArray> fills = {
            gradientFill(
                    false, x, 5 * Twips, w, 55 * Twips,
                    {{0, QColor(0xFF, 0x40, 0x20)}, {128, QColor(0xFF, 0xD0, 0x20)}, {255, QColor(0x20, 0xA0, 0x40)}}),
            gradientFill(true, x, 65 * Twips, w, 35 * Twips, {{0, QColor(Qt::white)}, {255, QColor(0x80, 0x20, 0xA0)}}),
    };
    return defineShape(Gradients, rect(x - Twips, x + w + Twips, 4 * Twips, 101 * Twips), fills,
                       {{2 * Twips, QColor(0x20, 0x20, 0x20)}}, o);
}

QByteArray tile()
{
    const int x = 150 * Twips, y = 110 * Twips, s = 24 * Twips;
    Outline o;
    o.polygon({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}}, 1);
    return defineShape(Tile, rect(x, x + s, y, y + s), {bitmapFill(Bitmap, x, y)}, {}, o);
}

QByteArray button()
{
    // Records: up and hit, over, down; each a shape at its depth, no colour change.
    QByteArray records;
    const int states[][2] = {{0x09, ButtonUp}, {0x02, ButtonOver}, {0x04, ButtonDown}};
    for (int i = 0; i < 3; ++i)
        records += u8(states[i][0]) + u16(states[i][1]) + u16(i + 1) + matrix(0x10000, 0x10000, 0, 0) + u8(0);
    records += u8(0);
    // On release (over-down to over-up): clicks = clicks + 1.
    const QByteArray clicks = push(QStringLiteral("clicks")) + push(QStringLiteral("clicks")) + action(0x1C)
            + action(0x50) + action(0x1D) + u8(0);
    const QByteArray conditions = u16(0) + u8(0x08) + u8(0) + clicks;
    return tag(34, u16(Button) + u8(0) + u16(2 + int(records.size())) + records + conditions);
}

QByteArray field(const QString& text)
{
    // Text, read-only, coloured; not selectable, bordered; no font: device text.
    QByteArray b = u16(Field) + rect(0, 120 * Twips, 0, 22 * Twips) + u8(0x80 | 0x08 | 0x04) + u8(0x10 | 0x08);
    return tag(37, b + rgba(QColor(Qt::black)) + cstring(QStringLiteral("msg")) + cstring(text));
}

}  // namespace

QByteArray writeAvm1Movie(const RichMovie& m)
{
    QByteArray t = tag(69, u32(0)) + tag(9, rgb(m.background));
    t += defineBitmap(Bitmap, 24, 24, false, {Qt::red, Qt::yellow, Qt::green, Qt::blue});
    t += boxShape(Marker, 0, 0, 130 * Twips, H * Twips, m.marker);
    t += gradients() + tile();
    t += boxShape(ButtonUp, 0, 0, 60 * Twips, 24 * Twips, QColor(0x40, 0x40, 0x40));
    t += boxShape(ButtonOver, 0, 0, 60 * Twips, 24 * Twips, QColor(0xE0, 0x80, 0x00));
    t += boxShape(ButtonDown, 0, 0, 60 * Twips, 24 * Twips, QColor(0xC0, 0x00, 0x00));
    t += button() + defineFont(Font, QStringLiteral("Glyphs"), QStringLiteral("ABC"), false);
    t += defineText(Glyphs, Font, 3, 24, QColor(Qt::white), 10 * Twips, 40 * Twips) + field(m.text);
    t += defineSound(Sound, m.soundMs, m.soundHz);
    t += placeObject(1, Marker, 0, 0) + placeObject(2, Gradients, 0, 0) + placeObject(3, Tile, 0, 0);
    t += placeObject(4, Button, 10 * Twips, 110 * Twips, QStringLiteral("knob")) + placeObject(5, Glyphs, 0, 0);
    t += placeObject(6, Field, 5 * Twips, 70 * Twips);
    const QByteArray start = push(QStringLiteral("n")) + push(0) + action(0x1D);
    t += tag(12, start + countFrame() + u8(0)) + startSound(Sound) + tag(1, {});
    for (int f = 1; f < m.frames; ++f) {
        t += placeObject(2, 0, 0, (f % 4) * Twips) + placeObject(3, 0, -(f % 6) * Twips, 0);
        QByteArray a = countFrame();
        if (f == m.frames - 1)
            a += action(0x81, u16(1)) + action(0x06);  // gotoAndPlay(2)
        t += tag(12, a + u8(0)) + tag(1, {});
    }
    return movie(8, W, H, m.frameRate, m.frames, t + tag(0, {}));
}

}  // namespace corvane::test
