#include "SwfWriter.h"

#include <bit>

namespace corvane::test {
namespace {

constexpr int Twips = 20;

// Bit fields, most significant bit first, padded to whole bytes.
struct Bits {
    QByteArray out;
    int used = 0;
    void put(uint32_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            if (used % 8 == 0)
                out.append('\0');
            out[out.size() - 1] = char(out.back() | (((v >> i) & 1) << (7 - used % 8)));
            ++used;
        }
    }
    void putSigned(int32_t v, int n) { put(uint32_t(v) & ((1u << n) - 1), n); }
};

int signedBits(int32_t v) { return int(std::bit_width(uint32_t(v < 0 ? ~v : v))) + 1; }

void u8(QByteArray& b, int v) { b.append(char(v & 0xff)); }
void u16(QByteArray& b, int v) { u8(b, v), u8(b, v >> 8); }
void rgb(QByteArray& b, const QColor& c) { u8(b, c.red()), u8(b, c.green()), u8(b, c.blue()); }
void text(QByteArray& b, const QString& s) { b.append(s.toUtf8()).append('\0'); }

QByteArray rect(int xmax, int ymax)
{
    const int n = std::max(signedBits(xmax), signedBits(ymax));
    Bits bits;
    bits.put(uint32_t(n), 5);
    for (int v : {0, xmax, 0, ymax})
        bits.putSigned(v, n);
    return bits.out;
}

QByteArray tag(int code, const QByteArray& body)
{
    QByteArray out;
    u16(out, code << 6 | 0x3f); // always the long form
    const auto size = uint32_t(body.size());
    u16(out, int(size & 0xffff)), u16(out, int(size >> 16));
    return out + body;
}

// DefineShape: a square of one solid colour with its corner at (0, 0).
QByteArray square(int side, const QColor& colour)
{
    QByteArray b;
    u16(b, 1); // character id
    b += rect(side, side);
    u8(b, 1), u8(b, 0x00), rgb(b, colour), u8(b, 0); // one solid fill, no lines
    Bits bits;
    bits.put(1, 4), bits.put(0, 4);              // index sizes: fill 1, line 0
    bits.put(0b000101, 6), bits.put(1, 5);       // style change: fill 1, move to
    bits.putSigned(0, 1), bits.putSigned(0, 1), bits.put(1, 1);
    const int n = signedBits(side);
    for (const auto& [dx, dy] : {std::pair{side, 0}, {0, side}, {-side, 0}, {0, -side}}) {
        bits.put(0b11, 2), bits.put(uint32_t(n - 2), 4), bits.put(0, 1); // straight, axis
        bits.put(dx == 0, 1), bits.putSigned(dx == 0 ? dy : dx, n);
    }
    bits.put(0, 6); // end of shape
    return b + bits.out;
}

// PlaceObject2 at depth 1: the square placed, or moved, to (x, y).
QByteArray place(int x, int y, bool first)
{
    QByteArray b;
    u8(b, first ? 0x06 : 0x05), u16(b, 1);
    if (first)
        u16(b, 1);
    const int n = std::max(signedBits(x), signedBits(y));
    Bits bits;
    bits.put(0, 2), bits.put(uint32_t(n), 5), bits.putSigned(x, n), bits.putSigned(y, n);
    return b + bits.out;
}

QByteArray action(int code, const QByteArray& body)
{
    QByteArray b;
    u8(b, code), u16(b, int(body.size()));
    return b + body;
}

// DoAction: GetURL(url, target) for each request; loadMovie(url, "_level2")
// by GetURL2 with both taken from the stack.
QByteArray actions(const SwfMovie& m)
{
    QByteArray b;
    for (const auto& r : m.getUrls) {
        QByteArray body;
        text(body, r.url), text(body, r.target);
        b += action(0x83, body);
    }
    for (const QString& url : m.loadMovies) {
        for (const QString& s : {url, QStringLiteral("_level2")}) {
            QByteArray push;
            u8(push, 0), text(push, s);
            b += action(0x96, push);
        }
        b += action(0x9A, QByteArray(1, '\x02'));
    }
    u8(b, 0);
    return b;
}

} // namespace

QByteArray writeSwf(const SwfMovie& m)
{
    QByteArray body = rect(m.width * Twips, m.height * Twips);
    u16(body, m.frameRate << 8), u16(body, m.frames);
    QByteArray background;
    rgb(background, m.background);
    body += tag(9, background) + tag(2, square(m.squareSize * Twips, m.square));
    if (m.padding > 0) { // DefineBinaryData: id, reserved, data
        QByteArray data;
        u16(data, 2), u16(data, 0), u16(data, 0);
        body += tag(87, data + QByteArray(m.padding, '\x5a'));
    }
    const int travel = std::max(1, m.width - m.squareSize);
    for (int f = 0; f < m.frames; ++f) {
        const int x = m.frames > 1 ? travel * f / (m.frames - 1) : 0;
        body += tag(26, place(x * Twips, (m.height - m.squareSize) / 2 * Twips, f == 0));
        if (f == 0 && (!m.getUrls.isEmpty() || !m.loadMovies.isEmpty()))
            body += tag(12, actions(m));
        body += tag(1, {}); // ShowFrame
    }
    body += tag(0, {}); // End
    QByteArray out("FWS\x08");
    const auto size = uint32_t(8 + body.size());
    u16(out, int(size & 0xffff)), u16(out, int(size >> 16));
    return out + body;
}

} // namespace corvane::test
