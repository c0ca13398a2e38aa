#pragma once
// The pieces of a Flash movie's file that the richer test movies are made of:
// bit fields, records and tags, shapes with their fill styles, bitmaps, fonts
// and sounds. Lengths are in twips (20 a pixel) unless a name says pixels.
#include "SwfBits.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QString>

namespace corvane::test::swf {

inline constexpr int Twips = 20;

QByteArray u8(int v);
QByteArray u16(int v);
QByteArray u32(quint32 v);
QByteArray rgb(const QColor& c);
QByteArray rgba(const QColor& c);
QByteArray cstring(const QString& s);
QByteArray rect(int xmin, int xmax, int ymin, int ymax);
// A matrix of scale (16.16 fixed point, 0x10000 is 1) and translation.
QByteArray matrix(int scaleX, int scaleY, int x, int y);
QByteArray tag(int code, const QByteArray& body);
// zlib's stream, as the bitmap tags hold it.
QByteArray zlib(const QByteArray& raw);
// A whole movie: header (uncompressed), then the tags.
QByteArray movie(int version, int widthPx, int heightPx, int frameRate, int frames, const QByteArray& tags);

// Fill styles of a DefineShape3 (colours with alpha).
QByteArray solidFill(const QColor& c);
// A linear (or radial) gradient over the box x..x+w, y..y+h.
QByteArray gradientFill(bool radial, int x, int y, int w, int h, const QList<std::pair<int, QColor>>& stops);
// A bitmap drawn a pixel to a pixel from (x, y), clipped to the shape.
QByteArray bitmapFill(int bitmapId, int x, int y);

// The outlines of one shape: polygons, each filled with one style (1-based
// in the shape's list, up to 15) and stroked with one line style (0: none).
class Outline {
public:
    void polygon(const QList<QPoint>& points, int fill, int line = 0);
    // The shape records alone (SHAPE), with the style bits they were made for.
    QByteArray records() const;

private:
    Bits bits_;
    int x_ = 0, y_ = 0;
};

// DefineShape3 of these fill and line styles (line styles: width, colour).
QByteArray defineShape(int id, const QByteArray& bounds, const QList<QByteArray>& fills,
                       const QList<std::pair<int, QColor>>& lines, const Outline& outline);
// A box of one colour, its corner at (x, y), as DefineShape3.
QByteArray boxShape(int id, int x, int y, int w, int h, const QColor& c);

// PlaceObject2 of a character (or a move of what is at the depth when id is 0).
QByteArray placeObject(int depth, int id, int x, int y, const QString& name = {});

// The filters of PlaceObject3, each a record of its list; blurs are in
// pixels, angles in degrees, one pass each.
QByteArray dropShadowFilter(const QColor& c, double blur, double angleDegrees, double distance, double strength);
QByteArray glowFilter(const QColor& c, double blur, double strength);
QByteArray blurFilter(double blur);

// The blend modes of PlaceObject3.
enum class Blend { Normal = 1, Layer, Multiply, Screen, Lighten, Darken, Difference, Add, Subtract, Invert };

// PlaceObject3 of a character with these filters (none: no list) and blend mode.
QByteArray placeObject3(int depth, int id, int x, int y, const QList<QByteArray>& filters, Blend blend = Blend::Normal);

// A bitmap of w x h pixels, a pattern of four colours in squares, as
// DefineBitsLossless (alpha false: code 20) or DefineBitsLossless2 (36).
QByteArray defineBitmap(int id, int w, int h, bool alpha, const QList<QColor>& colours);

// A sine tone of `ms` milliseconds at `hz`, uncompressed 16-bit mono at
// 11025 Hz, as DefineSound.
QByteArray defineSound(int id, int ms, int hz);
// StartSound of that sound, once.
QByteArray startSound(int id);

// A font of square, triangle and bar glyphs for the characters of `codes`
// (one glyph a character, in turn), as DefineFont3 (with its layout, for
// text fields) when `three`, else DefineFont2 without layout.
QByteArray defineFont(int id, const QString& name, const QString& codes, bool three);
// DefineText: glyphs 0, 1, 2... of the font, `count` of them, at `heightPx`.
QByteArray defineText(int id, int fontId, int count, int heightPx, const QColor& c, int x, int y);

}  // namespace corvane::test::swf
