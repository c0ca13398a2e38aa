#include "FlashSchema.h"

#include "FlashProtocol.h"

#include <functional>
#include <limits>
#include <QEvent>
#include <QHash>
#include <QImage>

namespace corvane::flashschema {
namespace {

using namespace flashwire;

enum class Kind { Bool, Int, Int64, Double, Text, Bytes, Point, PointF, Any };

// One field: its kind, and the bounds of its value (numbers) or of its
// length (text and bytes).
struct Field {
    Kind kind;
    double low = std::numeric_limits<double>::lowest();
    double high = std::numeric_limits<double>::max();
};

constexpr double Length(qsizetype n) { return double(n); }
constexpr double Side = LargestSide;
constexpr double Id = double(qint64(1) << 53);
constexpr double TextChars = 4096;  // a file's path, a key's text, a method's name

bool kindOf(const QVariant& v, Kind kind)
{
    switch (kind) {
    case Kind::Bool: return v.typeId() == QMetaType::Bool;
    case Kind::Int: return v.typeId() == QMetaType::Int;
    case Kind::Int64: return v.typeId() == QMetaType::LongLong;
    case Kind::Double: return v.typeId() == QMetaType::Double;
    case Kind::Text: return v.typeId() == QMetaType::QString;
    case Kind::Bytes: return v.typeId() == QMetaType::QByteArray;
    case Kind::Point: return v.typeId() == QMetaType::QPoint;
    case Kind::PointF: return v.typeId() == QMetaType::QPointF;
    case Kind::Any: return true;
    }
    return false;
}

bool within(const QVariant& v, const Field& f)
{
    switch (f.kind) {
    case Kind::Int:
    case Kind::Int64:
    case Kind::Double: {
        const double x = v.toDouble();
        return x >= f.low && x <= f.high;  // false for NaN
    }
    case Kind::Text: return double(v.toString().size()) >= f.low && double(v.toString().size()) <= f.high;
    case Kind::Bytes: return double(v.toByteArray().size()) <= f.high;
    case Kind::PointF: {
        const QPointF p = v.toPointF();
        return std::abs(p.x()) <= Side * 4 && std::abs(p.y()) <= Side * 4;  // false for NaN
    }
    default: return true;
    }
}

// The message's fields from `from` on are exactly these.
bool fields(const QVariantList& m, qsizetype from, std::initializer_list<Field> shape)
{
    if (m.size() - from != qsizetype(shape.size()))
        return false;
    qsizetype i = from;
    for (const Field& f : shape) {
        if (!kindOf(m.at(i), f.kind) || !within(m.at(i), f))
            return false;
        ++i;
    }
    return true;
}

const Field Flag{Kind::Bool};
const Field Whole{Kind::Int};
const Field Serial{Kind::Int64, 0, Id};
const Field Extent{Kind::Int, 0, Side};
const Field Place{Kind::Int, -Side, Side};

bool engineCall(const QVariantList& m)
{
    using Args = std::initializer_list<Field>;
    static const QHash<QString, std::function<bool(const QVariantList&)>> methods = {
            {"openPage", [](const QVariantList& a) { return fields(a, 3, Args{}); }},
            {"keepSaved", [](const QVariantList& a) { return fields(a, 3, Args{}); }},
            {"loadMovie",
             [](const QVariantList& a) {
                 return fields(a, 3, {{Kind::Bytes, 0, Length(MovieBytes)}, {Kind::Text, 0, TextChars}, Flag, Flag});
             }},
            {"setPlaying", [](const QVariantList& a) { return fields(a, 3, {Flag}); }},
            {"setMuted", [](const QVariantList& a) { return fields(a, 3, {Flag}); }},
            {"menu",
             [](const QVariantList& a) {
                 return fields(a, 3, {Place, Place});
             }},
            {"runMenuEntry",
             [](const QVariantList& a) {
                 return fields(a, 3, {{Kind::Int, -1, 1024}});
             }},
            {"evaluate",
             [](const QVariantList& a) {
                 return fields(a, 3, {{Kind::Text, 0, Length(ControlBytes)}});
             }},
    };
    if (m.size() < 3 || !kindOf(m.at(1), Kind::Int64) || !within(m.at(1), Serial) || !kindOf(m.at(2), Kind::Text))
        return false;
    const auto check = methods.constFind(m.at(2).toString());
    return check != methods.constEnd() && (*check)(m);
}

bool input(const QVariantList& m)
{
    if (m.size() < 2 || !kindOf(m.at(1), Kind::Int))
        return false;
    const Field modifiers{Kind::Int, 0, double(Qt::KeyboardModifierMask)};
    const Field buttons{Kind::Int, 0, double(Qt::AllButtons)};
    switch (m.at(1).toInt()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return fields(m, 2, {{Kind::PointF}, buttons, buttons, modifiers});
    case QEvent::Wheel:
        return fields(m, 2,
                      {{Kind::PointF}, {Kind::Point}, {Kind::Point}, buttons, modifiers, {Kind::Int, 0, 4}, Flag});
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return fields(m, 2,
                      {Whole,
                       modifiers,
                       {Kind::Int64, 0, 0xFFFFFFFFu},
                       {Kind::Int64, 0, 0xFFFFFFFFu},
                       {Kind::Int64, 0, 0xFFFFFFFFu},
                       {Kind::Text, 0, 64},
                       Flag,
                       {Kind::Int, 0, 0xFFFF}});
    case QEvent::InputMethod: return fields(m, 2, {{Kind::Text, 1, Length(TypedChars)}});
    default: return false;
    }
}

using Check = std::function<bool(const QVariantList&)>;

bool checked(const QHash<QString, Check>& table, const QVariantList& m)
{
    if (m.isEmpty() || m.first().typeId() != QMetaType::QString)
        return false;
    const auto check = table.constFind(m.first().toString());
    return check != table.constEnd() && (*check)(m);
}

}  // namespace

bool fromHost(const QVariantList& m)
{
    static const QHash<QString, Check> table = {
            {Ready, [](const QVariantList& a) { return fields(a, 1, {}); }},
            {Reply,
             [](const QVariantList& a) {
                 return fields(a, 1, {Serial, {Kind::Any}});
             }},
            {Process,
             [](const QVariantList& a) {
                 return fields(a, 1, {{Kind::Int64, 0, 1 << 30}});
             }},
            {Cursor,
             [](const QVariantList& a) {
                 return fields(a, 1, {{Kind::Int, 0, double(Qt::LastCursor)}});
             }},
            {Frame,
             [](const QVariantList& a) {
                 const double format = QImage::Format_ARGB32_Premultiplied;
                 return fields(a, 1,
                               {{Kind::Int, 1, Side},
                                {Kind::Int, 1, Side},
                                {Kind::Int64, 4, Side * 4},
                                {Kind::Int, format, format},
                                {Kind::Double, 0.1, 16}});
             }},
            {Blank, [](const QVariantList& a) { return fields(a, 1, {}); }},
            {Pong, [](const QVariantList& a) { return fields(a, 1, {Serial}); }},
            {FullScreen, [](const QVariantList& a) { return fields(a, 1, {Flag}); }},
    };
    return checked(table, m);
}

bool toHost(const QVariantList& m)
{
    static const QHash<QString, Check> table = {
            {EngineCall, engineCall},
            {Size,
             [](const QVariantList& a) {
                 return fields(a, 1, {Extent, Extent});
             }},
            {Colour,
             [](const QVariantList& a) {
                 return fields(a, 1, {{Kind::Text, 0, 16}});
             }},
            {Focus, [](const QVariantList& a) { return fields(a, 1, {Flag}); }},
            {Input, input},
            {Taken, [](const QVariantList& a) { return fields(a, 1, {}); }},
            {Ping, [](const QVariantList& a) { return fields(a, 1, {Serial}); }},
            {Screen, [](const QVariantList& a) { return fields(a, 1, {Flag}); }},
    };
    return checked(table, m);
}

}  // namespace corvane::flashschema
