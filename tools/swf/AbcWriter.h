#pragma once
// A small assembler of ActionScript 3 byte code (an ABC file, as a DoABC tag
// holds it): the constant pool, methods, classes, one script, and method
// bodies written opcode by opcode. Enough for test movies, no more.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace corvane::test {

class AbcWriter {
public:
    // Indices into the pools; each value is pooled once.
    int string(const QString& s);
    int integer(int v);
    // A qualified name in a package (the empty package for top-level names).
    int name(const QString& package, const QString& local);
    // A method of `params` untyped parameters; its body comes with body().
    int method(int params);
    // A class `cls` (a name()) deriving from `base`, with its instance
    // constructor and its class initialiser (both method()s). Sealed, no traits.
    int addClass(int cls, int base, int constructor, int initialiser);
    void body(int method, const QByteArray& code, int maxStack, int locals, int maxScope);
    // The one script: its initialiser, and the classes it defines, each
    // under its name.
    void script(int initialiser, const QList<int>& classes);
    QByteArray bytes() const;

    // Opcodes that the code uses.
    enum Op : char {
        GetLocal0 = char(0xD0),
        GetLocal1 = char(0xD1),
        GetLocal2 = char(0xD2),
        GetLocal3 = char(0xD3),
        SetLocal1 = char(0xD5),
        SetLocal2 = char(0xD6),
        SetLocal3 = char(0xD7),
        PushScope = 0x30,
        PopScope = 0x1D,
        ReturnVoid = 0x47,
        Pop = 0x29,
        Dup = 0x2A,
        PushByte = 0x24,
        PushShort = 0x25,
        PushString = 0x2C,
        PushInt = 0x2D,
        PushTrue = 0x26,
        NewClass = 0x58,
        NewFunction = 0x40,
        ConstructSuper = 0x49,
        ConstructProp = 0x4A,
        CallPropVoid = 0x4F,
        FindPropStrict = 0x5D,
        GetLex = 0x60,
        GetProperty = 0x66,
        SetProperty = 0x61,
        InitProperty = 0x68,
    };
    // Code: opcodes and their operands (u30 as the file writes them).
    struct Code {
        QByteArray out;
        Code& op(Op o);
        Code& op(Op o, int operand);
        Code& op(Op o, int operand, int count);
    };
    static QByteArray u30(quint32 v);

private:
    struct Class {
        int name, base, constructor, initialiser;
    };
    struct Body {
        int method, maxStack, locals, maxScope;
        QByteArray code;
    };
    QList<QString> strings_;
    QHash<QString, int> stringIndex_;
    QList<int> ints_;
    QList<int> packages_;               // namespaces, by their name's index
    QList<std::pair<int, int>> names_;  // multinames: namespace, name
    QList<int> methods_;                // by parameter count
    QList<Class> classes_;
    QList<Body> bodies_;
    int scriptInit_ = -1;
    QList<int> scriptClasses_;
};

}  // namespace corvane::test
