#include "SwfWriter.h"

#include <QtEndian>
#include <bit>
#include <cstdlib>

namespace corvane::test {
namespace {

constexpr int Twips = 20;

// Bits, most significant first, as the file's bit fields want them.
class Bits {
public:
    void put(uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = uint8_t(acc_ << 1 | ((value >> i) & 1));
            if (++used_ == 8)
                flush();
        }
    }
    void putSigned(int32_t value, int count) { put(uint32_t(value) & ((count == 32) ? ~0u : ((1u << count) - 1)), count); }
    void align()
    {
        if (used_ > 0) {
            acc_ = uint8_t(acc_ << (8 - used_));
            flush();
        }
    }
    QByteArray take()
    {
        align();
        return std::exchange(out_, {});
    }

private:
    void flush()
    {
        out_.append(char(acc_));
        acc_ = 0;
        used_ = 0;
    }
    QByteArray out_;
    uint8_t acc_ = 0;
    int used_ = 0;
};

// Bits needed for a signed value, sign bit included.
int signedBits(int32_t v)
{
    const uint32_t m = uint32_t(v < 0 ? ~v : v);
    return int(std::bit_width(m)) + 1;
}

void u8(QByteArray& b, int v) { b.append(char(v & 0xff)); }
void u16(QByteArray& b, int v)
{
    u8(b, v);
    u8(b, v >> 8);
}
void u32(QByteArray& b, uint32_t v)
{
    u16(b, int(v & 0xffff));
    u16(b, int(v >> 16));
}
void rgb(QByteArray& b, const QColor& c)
{
    u8(b, c.red());
    u8(b, c.green());
    u8(b, c.blue());
}
void text(QByteArray& b, const QString& s)
{
    b.append(s.toUtf8());
    b.append('\0');
}

QByteArray rect(int xmin, int xmax, int ymin, int ymax)
{
    int n = 1;
    for (int v : {xmin, xmax, ymin, ymax})
        n = std::max(n, signedBits(v));
    Bits bits;
    bits.put(uint32_t(n), 5);
    for (int v : {xmin, xmax, ymin, ymax})
        bits.putSigned(v, n);
    return bits.take();
}

QByteArray tag(int code, const QByteArray& body)
{
    QByteArray out;
    if (body.size() < 0x3f) {
        u16(out, code << 6 | int(body.size()));
    } else {
        u16(out, code << 6 | 0x3f);
        u32(out, uint32_t(body.size()));
    }
    return out + body;
}

QByteArray defineSquare(int id, int side, const QColor& colour)
{
    QByteArray b;
    u16(b, id);
    b += rect(0, side, 0, side);
    u8(b, 1); // one fill style
    u8(b, 0x00);
    rgb(b, colour);
    u8(b, 0); // no line styles
    Bits bits;
    bits.put(1, 4); // fill index bits
    bits.put(0, 4); // line index bits
    // Style change: fill style 1, move to (0, 0).
    bits.put(0, 1);
    bits.put(0b00101, 5);
    bits.put(1, 5);
    bits.putSigned(0, 1);
    bits.putSigned(0, 1);
    bits.put(1, 1);
    // Four straight edges around the square.
    const int n = signedBits(side);
    const int d[4][2] = {{side, 0}, {0, side}, {-side, 0}, {0, -side}};
    for (const auto& e : d) {
        bits.put(1, 1); // edge
        bits.put(1, 1); // straight
        bits.put(uint32_t(n - 2), 4);
        bits.put(0, 1); // vertical or horizontal only
        bits.put(e[0] == 0 ? 1 : 0, 1);
        bits.putSigned(e[0] == 0 ? e[1] : e[0], n);
    }
    bits.put(0, 6); // end of shape
    return b + bits.take();
}

QByteArray place(int depth, int id, int x, int y, bool first)
{
    QByteArray b;
    u8(b, first ? 0x06 : 0x05); // matrix + character, or matrix + move
    u16(b, depth);
    if (first)
        u16(b, id);
    Bits bits;
    bits.put(0, 1); // no scale
    bits.put(0, 1); // no rotation
    const int n = std::max(signedBits(x), signedBits(y));
    bits.put(uint32_t(n), 5);
    bits.putSigned(x, n);
    bits.putSigned(y, n);
    return b + bits.take();
}

QByteArray action(int code, const QByteArray& body)
{
    QByteArray b;
    u8(b, code);
    u16(b, int(body.size()));
    return b + body;
}

QByteArray pushString(const QString& s)
{
    QByteArray body;
    u8(body, 0);
    text(body, s);
    return action(0x96, body);
}

QByteArray frameActions(const SwfMovie& m)
{
    QByteArray b;
    for (const auto& r : m.getUrls) {
        QByteArray body;
        text(body, r.url);
        text(body, r.target);
        b += action(0x83, body); // GetURL
    }
    for (const QString& url : m.loadMovies) {
        b += pushString(url);
        b += pushString(QStringLiteral("_root"));
        QByteArray flags;
        u8(flags, 0x02); // load into the target taken from the stack
        b += action(0x9A, flags); // GetURL2
    }
    u8(b, 0); // end of actions
    return b;
}

} // namespace

QByteArray writeSwf(const SwfMovie& m)
{
    QByteArray tags;
    QByteArray bg;
    rgb(bg, m.background);
    tags += tag(9, bg); // SetBackgroundColor
    const int side = m.squareSize * Twips;
    tags += tag(2, defineSquare(1, side, m.square)); // DefineShape
    const int travel = std::max(1, m.width - m.squareSize);
    const int y = (m.height - m.squareSize) / 2 * Twips;
    for (int f = 0; f < m.frames; ++f) {
        const int x = (m.frames > 1 ? travel * f / (m.frames - 1) : 0) * Twips;
        tags += tag(26, place(1, 1, x, y, f == 0)); // PlaceObject2
        if (f == 0 && (!m.getUrls.isEmpty() || !m.loadMovies.isEmpty()))
            tags += tag(12, frameActions(m)); // DoAction
        tags += tag(1, {}); // ShowFrame
    }
    tags += tag(0, {}); // End

    QByteArray body = rect(0, m.width * Twips, 0, m.height * Twips);
    u16(body, m.frameRate << 8);
    u16(body, m.frames);
    body += tags;

    QByteArray out("FWS");
    u8(out, 8); // version
    u32(out, uint32_t(8 + body.size()));
    return out + body;
}

} // namespace corvane::test
