#include "FlashCodec.h"

#include <QDataStream>
#include <QIODevice>
#include <QPoint>
#include <QPointF>

namespace corvane::flashcodec {
namespace {

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;

enum Tag : quint8 { Null, Bool, Int, Int64, Double, Text, Bytes, Point, PointF, List, Map };

bool put(QDataStream& out, const QVariant& v, int depth);

bool putList(QDataStream& out, const QVariantList& list, int depth)
{
    out << quint8(List) << quint32(list.size());
    for (const QVariant& item : list)
        if (!put(out, item, depth + 1))
            return false;
    return true;
}

bool putMap(QDataStream& out, const QVariantMap& map, int depth)
{
    out << quint8(Map) << quint32(map.size());
    for (auto it = map.begin(); it != map.end(); ++it) {
        out << it.key();
        if (!put(out, it.value(), depth + 1))
            return false;
    }
    return true;
}

bool put(QDataStream& out, const QVariant& v, int depth)
{
    if (depth > Depth)
        return false;
    switch (v.typeId()) {
    case QMetaType::UnknownType: out << quint8(Null); return true;
    case QMetaType::Bool: out << quint8(Bool) << v.toBool(); return true;
    case QMetaType::Int: out << quint8(Int) << qint32(v.toInt()); return true;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: out << quint8(Int64) << qint64(v.toLongLong()); return true;
    case QMetaType::Double:
    case QMetaType::Float: out << quint8(Double) << v.toDouble(); return true;
    case QMetaType::QString: out << quint8(Text) << v.toString(); return true;
    case QMetaType::QByteArray: out << quint8(Bytes) << v.toByteArray(); return true;
    case QMetaType::QPoint: out << quint8(Point) << qint32(v.toPoint().x()) << qint32(v.toPoint().y()); return true;
    case QMetaType::QPointF: out << quint8(PointF) << v.toPointF().x() << v.toPointF().y(); return true;
    case QMetaType::QVariantList:
    case QMetaType::QStringList: return putList(out, v.toList(), depth);
    case QMetaType::QVariantMap: return putMap(out, v.toMap(), depth);
    default: return false;
    }
}

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : in_(bytes), size_(bytes.size()) { in_.setVersion(StreamVersion); }
    bool ok() const { return in_.status() == QDataStream::Ok; }
    bool atEnd() const { return in_.atEnd(); }
    qint64 left() const { return size_ - in_.device()->pos(); }

    bool value(QVariant& v, int depth);
    bool list(QVariantList& list, int depth);

private:
    template <typename T>
    bool read(QVariant& v)
    {
        T x{};
        in_ >> x;
        v = QVariant::fromValue(x);
        return ok();
    }
    bool count(quint32& n)
    {
        in_ >> n;
        // Every item takes one byte at least: a count past what is left is a lie.
        return ok() && qint64(n) <= left();
    }
    bool map(QVariant& v, int depth);

    QDataStream in_;
    qint64 size_;
};

bool Reader::list(QVariantList& list, int depth)
{
    quint32 n = 0;
    if (depth > Depth || !count(n))
        return false;
    list.reserve(qsizetype(n));
    for (quint32 i = 0; i < n; ++i) {
        QVariant item;
        if (!value(item, depth + 1))
            return false;
        list.append(item);
    }
    return true;
}

bool Reader::map(QVariant& v, int depth)
{
    quint32 n = 0;
    if (depth > Depth || !count(n))
        return false;
    QVariantMap map;
    for (quint32 i = 0; i < n; ++i) {
        QString key;
        in_ >> key;
        QVariant item;
        if (!ok() || !value(item, depth + 1))
            return false;
        map.insert(key, item);
    }
    v = map;
    return true;
}

bool Reader::value(QVariant& v, int depth)
{
    quint8 tag = Null;
    in_ >> tag;
    if (!ok())
        return false;
    switch (tag) {
    case Null: v = QVariant(); return true;
    case Bool: return read<bool>(v);
    case Int: return read<qint32>(v);
    case Int64: return read<qint64>(v);
    case Double: return read<double>(v);
    case Text: return read<QString>(v);
    case Bytes: return read<QByteArray>(v);
    case Point: {
        qint32 x = 0, y = 0;
        in_ >> x >> y;
        v = QPoint(x, y);
        return ok();
    }
    case PointF: {
        double x = 0, y = 0;
        in_ >> x >> y;
        v = QPointF(x, y);
        return ok();
    }
    case List: {
        QVariantList items;
        if (!list(items, depth))
            return false;
        v = items;
        return true;
    }
    case Map: return map(v, depth);
    default: return false;
    }
}

}  // namespace

QByteArray encode(const QVariantList& message)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    return putList(out, message, 0) ? bytes : QByteArray();
}

bool decode(const QByteArray& bytes, QVariantList& message)
{
    message.clear();
    Reader in(bytes);
    QVariant whole;
    if (!in.value(whole, 0) || !in.atEnd() || whole.typeId() != QMetaType::QVariantList)
        return false;
    message = whole.toList();
    return true;
}

}  // namespace corvane::flashcodec
