#include "AbcWriter.h"

namespace corvane::test {

QByteArray AbcWriter::u30(quint32 v)
{
    QByteArray b;
    do {
        const char low = char(v & 0x7f);
        v >>= 7;
        b += char(low | (v ? 0x80 : 0));
    } while (v);
    return b;
}

AbcWriter::Code& AbcWriter::Code::op(Op o)
{
    out += char(o);
    return *this;
}

AbcWriter::Code& AbcWriter::Code::op(Op o, int operand)
{
    out += char(o);
    out += o == PushByte ? QByteArray(1, char(operand)) : u30(quint32(operand));
    return *this;
}

AbcWriter::Code& AbcWriter::Code::op(Op o, int operand, int count)
{
    out += char(o) + u30(quint32(operand)) + u30(quint32(count));
    return *this;
}

int AbcWriter::string(const QString& s)
{
    if (const auto it = stringIndex_.constFind(s); it != stringIndex_.cend())
        return *it;
    strings_ << s;
    return stringIndex_[s] = int(strings_.size());  // index 0 is the pool's "none"
}

int AbcWriter::integer(int v)
{
    const qsizetype at = ints_.indexOf(v);
    if (at >= 0)
        return int(at) + 1;
    ints_ << v;
    return int(ints_.size());
}

int AbcWriter::name(const QString& package, const QString& local)
{
    const int ns = string(package);
    qsizetype nsAt = packages_.indexOf(ns);
    if (nsAt < 0) {
        packages_ << ns;
        nsAt = packages_.size() - 1;
    }
    const std::pair<int, int> n{int(nsAt) + 1, string(local)};
    const qsizetype at = names_.indexOf(n);
    if (at >= 0)
        return int(at) + 1;
    names_ << n;
    return int(names_.size());
}

int AbcWriter::method(int params)
{
    methods_ << params;
    return int(methods_.size()) - 1;
}

int AbcWriter::addClass(int cls, int base, int constructor, int initialiser)
{
    classes_ << Class{cls, base, constructor, initialiser};
    return int(classes_.size()) - 1;
}

void AbcWriter::body(int method, const QByteArray& code, int maxStack, int locals, int maxScope)
{
    bodies_ << Body{method, maxStack, locals, maxScope, code};
}

void AbcWriter::script(int initialiser, const QList<int>& classes)
{
    scriptInit_ = initialiser;
    scriptClasses_ = classes;
}

QByteArray AbcWriter::bytes() const
{
    const auto count = [](qsizetype n) { return u30(n ? quint32(n + 1) : 0); };  // pools count their "none"
    QByteArray b("\x10\0\x2e\0", 4);                                             // minor 16, major 46
    b += count(ints_.size());
    for (const int v : ints_)
        b += u30(quint32(v));  // s32 as the file writes it: fine for the positive values used
    b += count(0) + count(0);  // no uints, no doubles
    b += count(strings_.size());
    for (const QString& s : strings_)
        b += u30(quint32(s.toUtf8().size())) + s.toUtf8();
    b += count(packages_.size());
    for (const int ns : packages_)
        b += char(0x16) + u30(quint32(ns));  // package namespace
    b += count(0);                           // no namespace sets
    b += count(names_.size());
    for (const auto& [ns, local] : names_)
        b += char(0x07) + u30(quint32(ns)) + u30(quint32(local));  // QName
    b += u30(quint32(methods_.size()));
    for (const int params : methods_) {
        b += u30(quint32(params)) + u30(0);  // any return type
        for (int i = 0; i < params; ++i)
            b += u30(0);        // any type
        b += u30(0) + char(0);  // no name, no flags
    }
    b += u30(0);  // no metadata
    b += u30(quint32(classes_.size()));
    for (const Class& c : classes_)  // sealed, no interfaces, no traits
        b += u30(quint32(c.name)) + u30(quint32(c.base)) + char(0x01) + u30(0) + u30(quint32(c.constructor)) + u30(0);
    for (const Class& c : classes_)
        b += u30(quint32(c.initialiser)) + u30(0);
    b += u30(1) + u30(quint32(scriptInit_)) + u30(quint32(scriptClasses_.size()));
    for (const int c : scriptClasses_)  // class traits: name, kind 4, slot chosen by the player, class
        b += u30(quint32(classes_.at(c).name)) + char(0x04) + u30(0) + u30(quint32(c));
    b += u30(quint32(bodies_.size()));
    for (const Body& m : bodies_) {
        b += u30(quint32(m.method)) + u30(quint32(m.maxStack)) + u30(quint32(m.locals)) + u30(0)
                + u30(quint32(m.maxScope));
        b += u30(quint32(m.code.size())) + m.code + u30(0) + u30(0);  // no exceptions, no traits
    }
    return b;
}

}  // namespace corvane::test
