#include "SwfActions.h"

#include <QList>
#include <QStringList>
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
    Add2 = 0x47,
    Push = char(0x96),
    DefineFunction = char(0x9B),
    If = char(0x9D),
};

QByteArray u16(int v) { return QByteArray(1, char(v & 0xff)) + char(v >> 8 & 0xff); }

QByteArray op(Op code, const QByteArray& body = {})
{
    QByteArray b(1, code);
    return uchar(code) < 0x80 ? b : b + u16(int(body.size())) + body;
}

// One Push of strings, booleans and 32-bit integers, in this order.
QByteArray push(const QList<QVariant>& values)
{
    QByteArray body;
    for (const QVariant& v : values) {
        if (v.typeId() == QMetaType::QString) {
            body += '\0' + v.toString().toUtf8() + '\0';
        } else if (v.typeId() == QMetaType::Bool) {
            body += '\5' + QByteArray(1, char(v.toBool()));
        } else {
            const quint32 n = v.toUInt();
            body += '\7' + u16(int(n & 0xffff)) + u16(int(n >> 16));
        }
    }
    return op(Push, body);
}

// variable.method(args...), its result dropped.
QByteArray call(const QString& variable, const QString& method, const QList<QVariant>& args)
{
    QList<QVariant> reversed(args.rbegin(), args.rend());
    reversed << int(args.size()) << variable;
    return push(reversed) + op(GetVariable) + push({method}) + op(CallMethod) + op(Pop);
}

QByteArray callRoot(const QString& method, const QList<QVariant>& args)
{
    return call(QStringLiteral("_root"), method, args);
}

QByteArray getSo() { return push({QStringLiteral("so")}) + op(GetVariable); }

QByteArray root() { return push({QStringLiteral("_root")}) + op(GetVariable); }

// The stage filled, under the square, with the colour that `colour` pushes.
QByteArray fillStage(const QByteArray& colour)
{
    constexpr int Width = 200, Height = 150;  // the writer's stage, in pixels
    QByteArray a =
            push({100}) + colour + push({2}) + root() + push({QStringLiteral("beginFill")}) + op(CallMethod) + op(Pop);
    a += callRoot(QStringLiteral("moveTo"), {0, 0});
    const std::pair<int, int> corners[] = {{Width, 0}, {Width, Height}, {0, Height}, {0, 0}};
    for (const auto& [x, y] : corners)
        a += callRoot(QStringLiteral("lineTo"), {x, y});
    return a + callRoot(QStringLiteral("endFill"), {});
}

// An anonymous function of these parameters, left on the stack.
QByteArray function(const QByteArray& body, const QStringList& params = {})
{
    QByteArray head = QByteArray(1, '\0') + u16(int(params.size()));
    for (const QString& p : params)
        head += p.toUtf8() + '\0';
    return op(DefineFunction, head + u16(int(body.size()))) + body;
}

// _root[prefix + value], value being what `value` pushes: a colour named by a value.
QByteArray named(const QString& prefix, const QByteArray& value)
{
    return root() + push({prefix}) + value + op(Add2) + op(GetMember);
}

// Sets _root[prefix + name] to each colour.
QByteArray nameColours(const QString& prefix, const QList<std::pair<QString, QRgb>>& colours)
{
    QByteArray a;
    for (const auto& [name, colour] : colours)
        a += root() + push({prefix + name, uint(colour & 0xffffff)}) + op(SetMember);
    return a;
}

}  // namespace

QByteArray savedColourActions(QRgb missing, std::optional<QRgb> save)
{
    const QString so = QStringLiteral("so"), fill = QStringLiteral("fill"), colour = QStringLiteral("colour");
    // so = SharedObject.getLocal("corvane")
    QByteArray a = push({so, QStringLiteral("corvane"), 1, QStringLiteral("SharedObject")}) + op(GetVariable)
            + push({QStringLiteral("getLocal")}) + op(CallMethod) + op(SetVariable);
    // fill = so.data.colour, or `missing` when that is undefined
    const QByteArray otherwise = op(Pop) + push({uint(missing & 0xffffff)});
    a += push({fill}) + getSo() + push({QStringLiteral("data")}) + op(GetMember) + push({colour}) + op(GetMember)
            + op(PushDuplicate) + op(If, u16(int(otherwise.size()))) + otherwise + op(SetVariable);
    a += fillStage(push({fill}) + op(GetVariable));
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

QByteArray keyColourActions(const QList<std::pair<int, QRgb>>& keys)
{
    QList<std::pair<QString, QRgb>> colours;
    for (const auto& [code, colour] : keys)
        colours.append({QString::number(code), colour});
    const QString listener = QStringLiteral("corvaneKeys");
    const QByteArray code =
            push({0, QStringLiteral("Key")}) + op(GetVariable) + push({QStringLiteral("getCode")}) + op(CallMethod);
    const QByteArray onKeyDown = callRoot(QStringLiteral("clear"), {}) + fillStage(named(QStringLiteral("k"), code));
    // corvaneKeys = new Object(); corvaneKeys.onKeyDown = function () {...}; Key.addListener(corvaneKeys)
    QByteArray a = nameColours(QStringLiteral("k"), colours);
    a += push({listener, 0, QStringLiteral("Object")}) + op(NewObject) + op(SetVariable);
    a += push({listener}) + op(GetVariable) + push({QStringLiteral("onKeyDown")}) + function(onKeyDown) + op(SetMember);
    return a + push({listener}) + op(GetVariable) + push({1, QStringLiteral("Key")}) + op(GetVariable)
            + push({QStringLiteral("addListener")}) + op(CallMethod) + op(Pop);
}

QByteArray textColourActions(const QList<std::pair<QString, QRgb>>& texts)
{
    const QString field = QStringLiteral("typed");
    const auto getField = [&] { return root() + push({field}) + op(GetMember); };
    // _root.createTextField("typed", 5, 0, 0, 200, 30); its type "input", its border on
    QByteArray a = nameColours(QStringLiteral("t"), texts);
    a += push({30, 200, 0, 0, 5, field, 6}) + root() + push({QStringLiteral("createTextField")}) + op(CallMethod)
            + op(Pop);
    a += getField() + push({QStringLiteral("type"), QStringLiteral("input")}) + op(SetMember);
    a += getField() + push({QStringLiteral("border")}) + push({1}) + op(SetMember);
    // typed.onChanged = function () { fill with _root["t" + typed.text] }
    const QByteArray text = getField() + push({QStringLiteral("text")}) + op(GetMember);
    const QByteArray onChanged = callRoot(QStringLiteral("clear"), {}) + fillStage(named(QStringLiteral("t"), text));
    a += getField() + push({QStringLiteral("onChanged")}) + function(onChanged) + op(SetMember);
    // Selection.setFocus(typed)
    return a + getField() + push({1, QStringLiteral("Selection")}) + op(GetVariable)
            + push({QStringLiteral("setFocus")}) + op(CallMethod) + op(Pop);
}

QByteArray loadedColourActions(Loaded kind, const QString& url, const QList<std::pair<QString, QRgb>>& colours)
{
    struct Way {
        const char* type;
        QByteArray value;  // what the onLoad handler pushes: the colour's name
        const char* method;
        QList<QVariant> args;
    };
    const auto member = [](const char* object, const char* name) {
        return push({QString::fromLatin1(object)}) + op(GetVariable) + push({QString::fromLatin1(name)})
                + op(GetMember);
    };
    // this.c; this.firstChild.attributes.c; the handler's argument, true or false
    const Way way = kind == Loaded::Vars ? Way{"LoadVars", member("this", "c"), "load", {url}}
            : kind == Loaded::Xml
            ? Way{"XML",
                  member("this", "firstChild") + push({QStringLiteral("attributes")}) + op(GetMember)
                          + push({QStringLiteral("c")}) + op(GetMember),
                  "load",
                  {url}}
            : Way{"Sound", push({QStringLiteral("ok")}) + op(GetVariable), "loadSound", {url, false}};
    const QString object = QStringLiteral("corvaneLoaded");
    const QByteArray onLoad = callRoot(QStringLiteral("clear"), {}) + fillStage(named(QStringLiteral("c"), way.value));
    // corvaneLoaded = new TYPE(); corvaneLoaded.onLoad = function (ok) {...}; corvaneLoaded.LOAD(...)
    QByteArray a = nameColours(QStringLiteral("c"), colours);
    a += push({object, 0, QString::fromLatin1(way.type)}) + op(NewObject) + op(SetVariable);
    a += push({object}) + op(GetVariable) + push({QStringLiteral("onLoad")}) + function(onLoad, {QStringLiteral("ok")})
            + op(SetMember);
    return a + call(object, QString::fromLatin1(way.method), way.args);
}

QByteArray fullScreenActions()
{
    // Stage.displayState = state
    const auto set = [](const char* state) {
        return push({QStringLiteral("Stage")}) + op(GetVariable)
                + push({QStringLiteral("displayState"), QString::fromLatin1(state)}) + op(SetMember);
    };
    const QString listener = QStringLiteral("corvaneScreen");
    QByteArray a = set("fullScreen") + push({listener, 0, QStringLiteral("Object")}) + op(NewObject) + op(SetVariable);
    a += push({listener}) + op(GetVariable) + push({QStringLiteral("onKeyDown")})
            + function(set("normal") + set("fullScreen")) + op(SetMember);
    return a + push({listener}) + op(GetVariable) + push({1, QStringLiteral("Key")}) + op(GetVariable)
            + push({QStringLiteral("addListener")}) + op(CallMethod) + op(Pop);
}

}  // namespace corvane::test
