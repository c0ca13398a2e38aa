#include "SwfActions.h"

#include <QList>
#include <QVariant>
#include <utility>

namespace corvane::test {
namespace {

enum Op : char {
    Pop = 0x17,
    GetVariable = 0x1C,
    SetVariable = 0x1D,
    PushDuplicate = 0x4C,
    GetMember = 0x4E,
    SetMember = 0x4F,
    NewObject = 0x40,
    CallMethod = 0x52,
    Push = char(0x96),
    If = char(0x9D),
};

QByteArray u16(int v) { return QByteArray(1, char(v & 0xff)) + char(v >> 8 & 0xff); }

QByteArray op(Op code, const QByteArray& body = {})
{
    QByteArray b(1, code);
    return uchar(code) < 0x80 ? b : b + u16(int(body.size())) + body;
}

// One Push of strings and 32-bit integers, in this order.
QByteArray push(const QList<QVariant>& values)
{
    QByteArray body;
    for (const QVariant& v : values) {
        if (v.typeId() == QMetaType::QString) {
            body += '\0' + v.toString().toUtf8() + '\0';
        } else {
            const quint32 n = v.toUInt();
            body += '\7' + u16(int(n & 0xffff)) + u16(int(n >> 16));
        }
    }
    return op(Push, body);
}

// _root.method(args...), its result dropped.
QByteArray callRoot(const QString& method, const QList<QVariant>& args)
{
    QList<QVariant> reversed(args.rbegin(), args.rend());
    reversed << int(args.size()) << QStringLiteral("_root");
    return push(reversed) + op(GetVariable) + push({method}) + op(CallMethod) + op(Pop);
}

QByteArray getSo() { return push({QStringLiteral("so")}) + op(GetVariable); }

}  // namespace

QByteArray savedColourActions(QRgb missing, std::optional<QRgb> save)
{
    constexpr int Width = 200, Height = 150;  // the writer's stage, in pixels
    const QString so = QStringLiteral("so"), fill = QStringLiteral("fill"), colour = QStringLiteral("colour");
    // so = SharedObject.getLocal("corvane")
    QByteArray a = push({so, QStringLiteral("corvane"), 1, QStringLiteral("SharedObject")}) + op(GetVariable)
            + push({QStringLiteral("getLocal")}) + op(CallMethod) + op(SetVariable);
    // fill = so.data.colour, or `missing` when that is undefined
    const QByteArray otherwise = op(Pop) + push({uint(missing & 0xffffff)});
    a += push({fill}) + getSo() + push({QStringLiteral("data")}) + op(GetMember) + push({colour}) + op(GetMember)
            + op(PushDuplicate) + op(If, u16(int(otherwise.size()))) + otherwise + op(SetVariable);
    // the stage filled with it, under the square
    a += push({100, fill}) + op(GetVariable) + push({2, QStringLiteral("_root")}) + op(GetVariable)
            + push({QStringLiteral("beginFill")}) + op(CallMethod) + op(Pop);
    a += callRoot(QStringLiteral("moveTo"), {0, 0});
    const std::pair<int, int> corners[] = {{Width, 0}, {Width, Height}, {0, Height}, {0, 0}};
    for (const auto& [x, y] : corners)
        a += callRoot(QStringLiteral("lineTo"), {x, y});
    a += callRoot(QStringLiteral("endFill"), {});
    if (save) {  // so.data.colour = save; so.flush()
        a += getSo() + push({QStringLiteral("data")}) + op(GetMember) + push({colour, uint(*save & 0xffffff)})
                + op(SetMember);
        a += push({0}) + getSo() + push({QStringLiteral("flush")}) + op(CallMethod) + op(Pop);
    }
    return a;
}

QByteArray loadClipActions(const QString& url, int depth)
{
    const QString loader = QStringLiteral("corvaneLoader");
    // corvaneLoader = new MovieClipLoader()
    QByteArray a = push({loader, 0, QStringLiteral("MovieClipLoader")}) + op(NewObject) + op(SetVariable);
    // corvaneLoader.loadClip(url, _root.createEmptyMovieClip("clipN", N)): the clip first, then the url
    a += push({depth, QStringLiteral("clip%1").arg(depth), 2, QStringLiteral("_root")}) + op(GetVariable)
            + push({QStringLiteral("createEmptyMovieClip")}) + op(CallMethod);
    return a + push({url, 2, loader}) + op(GetVariable) + push({QStringLiteral("loadClip")}) + op(CallMethod) + op(Pop);
}

}  // namespace corvane::test
