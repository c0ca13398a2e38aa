#include "SwfWriter.h"

#include "SwfBits.h"

#include <algorithm>
#include <QStringEncoder>

namespace corvane::test {
namespace {

using swf::Bits;
using swf::bitsFor;

QByteArray& u16(QByteArray& b, int v) { return b.append(char(v & 0xff)).append(char(v >> 8 & 0xff)); }
QByteArray rgb(const QColor& c) { return QByteArray(1, char(c.red())) + char(c.green()) + char(c.blue()); }
QByteArray text(const QString& s) { return s.toUtf8() + '\0'; }

QByteArray rect(int xmax, int ymax)
{
    const int n = std::max(bitsFor(xmax), bitsFor(ymax));
    return Bits().put(n, 5).put(0, n).put(xmax, n).put(0, n).put(ymax, n).out;
}

QByteArray tag(int code, const QByteArray& body)
{
    QByteArray out;
    u16(out, code << 6 | 0x3f);  // always the long form
    return u16(u16(out, int(body.size() & 0xffff)), int(body.size() >> 16)) + body;
}

// DefineShape 1: a square of one solid fill, no lines, its corner at (0, 0).
QByteArray square(int side, const QColor& c)
{
    QByteArray b;
    u16(b, 1).append(rect(side, side)).append('\1').append('\0').append(rgb(c)).append('\0');
    Bits bits;  // fill index 1 bit, line index 0; style change: fill 1, move to (0, 0)
    bits.put(1, 4).put(0, 4).put(0b000101, 6).put(1, 5).put(0, 1).put(0, 1).put(1, 1);
    const int n = bitsFor(side);
    for (int i = 0; i < 4; ++i)  // straight edges along an axis: right, down, left, up
        bits.put(0b11, 2).put(n - 2, 4).put(0, 1).put(i % 2, 1).put(i < 2 ? side : -side, n);
    return b + bits.put(0, 6).out;  // end of shape
}

// PlaceObject2 at depth 1: the square placed, or moved, to (x, y).
QByteArray place(int x, int y, bool first)
{
    QByteArray b(1, first ? '\x06' : '\x05');
    u16(first ? u16(b, 1) : b, 1);  // depth 1, and character 1 when first
    const int n = std::max(bitsFor(x), bitsFor(y));
    return b + Bits().put(0, 2).put(n, 5).put(x, n).put(y, n).out;
}

QByteArray action(int code, const QByteArray& body)
{
    QByteArray b(1, char(code));
    return u16(b, int(body.size())) + body;
}

// ActionPush of one string, 32-bit integer or boolean.
QByteArray push(const QString& s) { return action(0x96, '\0' + text(s)); }
QByteArray push(int v)
{
    QByteArray b(1, '\7');
    return action(0x96, u16(u16(b, v & 0xffff), (v >> 16) & 0xffff));
}
QByteArray pushBool(bool v) { return action(0x96, QByteArray(1, '\5') + char(v)); }
QByteArray op(int code) { return QByteArray(1, char(code)); }  // an action with no data

// _root.menu = a ContextMenu with these custom items; each item's handler
// sets its property of _root.
QByteArray menuActions(const QList<SwfMenuItem>& items)
{
    constexpr int NewObject = 0x40, SetVariable = 0x1D, GetVariable = 0x1C, GetMember = 0x4E, SetMember = 0x4F,
                  CallMethod = 0x52, Pop = 0x17, DefineFunction = 0x9B;
    const QString menu = QStringLiteral("corvaneMenu");
    QByteArray a = push(menu) + push(0) + push(QStringLiteral("ContextMenu")) + op(NewObject) + op(SetVariable);
    for (const SwfMenuItem& item : items) {
        const QByteArray handler = push(QStringLiteral("_root")) + op(GetVariable) + push(item.property)
                + push(item.value) + op(SetMember);
        QByteArray header = text({});  // anonymous, no parameters, then the body's size
        u16(u16(header, 0), int(handler.size()));
        // new ContextMenuItem(caption, handler, separatorBefore, enabled): arguments go last first.
        a += pushBool(item.enabled) + pushBool(false) + action(DefineFunction, header) + handler + push(item.caption)
                + push(4) + push(QStringLiteral("ContextMenuItem")) + op(NewObject);
        a += push(1) + push(menu) + op(GetVariable) + push(QStringLiteral("customItems")) + op(GetMember)
                + push(QStringLiteral("push")) + op(CallMethod) + op(Pop);
    }
    return a + push(QStringLiteral("_root")) + op(GetVariable) + push(QStringLiteral("menu")) + push(menu)
            + op(GetVariable) + op(SetMember);
}

}  // namespace

QByteArray writeSwf(const SwfMovie& m)
{
    constexpr int Stage = 200, Height = 150, Side = 40, Twips = 20;  // in pixels; twips a pixel
    QByteArray body = rect(Stage * Twips, Height * Twips);
    u16(u16(body, m.frameRate << 8), m.frames);
    body += tag(9, rgb(m.background)) + tag(2, square(Side * Twips, m.square));
    if (m.padding > 0)  // DefineBinaryData 2: id, reserved, data
        body += tag(87, QByteArray("\2\0\0\0\0\0", 6) + QByteArray(m.padding, 'Z'));
    QByteArray actions;  // GetURL; loadMovie is GetURL2 with url and level pushed
    for (const auto& [url, target] : m.getUrls)
        actions += action(0x83, text(url) + text(target));
    const auto urlText = [&m](const QString& url) {
        return m.version >= 6 ? text(url) : QByteArray(QStringEncoder(m.codePage).encode(url)) + '\0';
    };
    for (const QString& url : m.loadMovies)
        actions += action(0x96, '\0' + urlText(url)) + action(0x96, '\0' + text("_level2")) + action(0x9A, "\2");
    actions += m.firstFrameActions;
    if (!m.menuItems.isEmpty())
        actions += menuActions(m.menuItems);
    for (int f = 0; f < m.frames; ++f) {
        const int x = (Stage - Side) * Twips * f / std::max(1, m.frames - 1);
        body += tag(26, place(x, (Height - Side) / 2 * Twips, f == 0));
        if (f == 0)
            body += tag(12, actions + '\0');  // DoAction, ending in ActionEnd
        body += tag(1, {});                   // ShowFrame
    }
    body += tag(0, {});  // End
    QByteArray out = QByteArray("FWS") + char(m.version);
    return u16(u16(out, int((8 + body.size()) & 0xffff)), int((8 + body.size()) >> 16)) + body;
}

}  // namespace corvane::test
