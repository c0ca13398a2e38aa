// The AVM2 movie of RichMovies.h: its document class's code assembled here.
#include "AbcWriter.h"
#include "RichMovies.h"
#include "SwfTags.h"

namespace corvane::test {

using namespace swf;

namespace {

using Op = AbcWriter::Op;
enum Id { Document = 0, Picture = 1, Tone = 2, Font = 3 };

int rgbValue(const QColor& c) { return int(c.rgb() & 0xffffff); }

// graphics.name(args...) with the graphics in local 1; numbers that fit pushshort.
void draw(AbcWriter& abc, AbcWriter::Code& c, const QString& name, std::initializer_list<int> args)
{
    c.op(Op::GetLocal1);
    for (const int a : args)
        c.op(Op::PushShort, a);
    c.op(Op::CallPropVoid, abc.name({}, name), int(args.size()));
}

void set(AbcWriter& abc, AbcWriter::Code& c, Op local, const QString& property, int value)
{
    c.op(local).op(Op::PushShort, value).op(Op::SetProperty, abc.name({}, property));
}

void drawShapes(AbcWriter& abc, AbcWriter::Code& c, const RichMovie& m)
{
    c.op(Op::GetLocal0).op(Op::GetProperty, abc.name({}, QStringLiteral("graphics"))).op(Op::SetLocal1);
    c.op(Op::GetLocal1).op(Op::PushInt, abc.integer(rgbValue(m.marker)));
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("beginFill")), 1);
    draw(abc, c, QStringLiteral("drawRect"), {0, 0, 130, 150});
    draw(abc, c, QStringLiteral("endFill"), {});
    c.op(Op::GetLocal1).op(Op::PushByte, 3).op(Op::PushInt, abc.integer(0x202020));
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("lineStyle")), 2);
    draw(abc, c, QStringLiteral("moveTo"), {140, 10});
    draw(abc, c, QStringLiteral("lineTo"), {195, 60});
    c.op(Op::GetLocal1).op(Op::PushInt, abc.integer(0xE08000));
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("beginFill")), 1);
    draw(abc, c, QStringLiteral("drawCircle"), {167, 95, 22});
    draw(abc, c, QStringLiteral("endFill"), {});
}

// A TextField in local 2, placed and added; `embedded` in the movie's font.
void addText(AbcWriter& abc, AbcWriter::Code& c, const QString& text, bool embedded, int y)
{
    const int field = abc.name(QStringLiteral("flash.text"), QStringLiteral("TextField"));
    c.op(Op::FindPropStrict, field).op(Op::ConstructProp, field, 0).op(Op::SetLocal2);
    if (embedded) {
        const int format = abc.name(QStringLiteral("flash.text"), QStringLiteral("TextFormat"));
        c.op(Op::GetLocal2).op(Op::FindPropStrict, format).op(Op::PushString, abc.string(QStringLiteral("Glyphs")));
        c.op(Op::PushByte, 24).op(Op::PushInt, abc.integer(0xFFFFFF)).op(Op::ConstructProp, format, 3);
        c.op(Op::SetProperty, abc.name({}, QStringLiteral("defaultTextFormat")));
        c.op(Op::GetLocal2).op(Op::PushTrue).op(Op::SetProperty, abc.name({}, QStringLiteral("embedFonts")));
    } else {
        c.op(Op::GetLocal2).op(Op::PushInt, abc.integer(0xFFFFFF));
        c.op(Op::SetProperty, abc.name({}, QStringLiteral("textColor")));
    }
    c.op(Op::GetLocal2).op(Op::PushString, abc.string(text)).op(Op::SetProperty, abc.name({}, QStringLiteral("text")));
    set(abc, c, Op::GetLocal2, QStringLiteral("x"), 5);
    set(abc, c, Op::GetLocal2, QStringLiteral("y"), y);
    set(abc, c, Op::GetLocal2, QStringLiteral("width"), 120);
    c.op(Op::GetLocal0).op(Op::GetLocal2).op(Op::CallPropVoid, abc.name({}, QStringLiteral("addChild")), 1);
}

QByteArray constructor(AbcWriter& abc, const RichMovie& m, int picture, int tone)
{
    AbcWriter::Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    drawShapes(abc, c, m);
    addText(abc, c, m.text, false, 70);
    addText(abc, c, QStringLiteral("ABC"), true, 20);
    c.op(Op::FindPropStrict, picture).op(Op::ConstructProp, picture, 0).op(Op::SetLocal3);
    set(abc, c, Op::GetLocal3, QStringLiteral("x"), 150);
    set(abc, c, Op::GetLocal3, QStringLiteral("y"), 115);
    c.op(Op::GetLocal0).op(Op::GetLocal3).op(Op::CallPropVoid, abc.name({}, QStringLiteral("addChild")), 1);
    c.op(Op::FindPropStrict, tone).op(Op::ConstructProp, tone, 0);
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("play")), 0);
    return c.op(Op::ReturnVoid).out;
}

// The document class Main (a Sprite), Pic (a Bitmap) and Beep (a Sound).
QByteArray documentCode(const RichMovie& m)
{
    AbcWriter abc;
    const int main = abc.name({}, QStringLiteral("Main")), picture = abc.name({}, QStringLiteral("Pic")),
              tone = abc.name({}, QStringLiteral("Beep"));
    const int bases[] = {abc.name(QStringLiteral("flash.display"), QStringLiteral("Sprite")),
                         abc.name(QStringLiteral("flash.display"), QStringLiteral("Bitmap")),
                         abc.name(QStringLiteral("flash.media"), QStringLiteral("Sound"))};
    const int names[] = {main, picture, tone};
    const int init = abc.method(0);
    AbcWriter::Code scriptCode;
    scriptCode.op(Op::GetLocal0).op(Op::PushScope);
    QList<int> classes;
    for (int i = 0; i < 3; ++i) {
        const int ctor = abc.method(0), cinit = abc.method(0);
        classes << abc.addClass(names[i], bases[i], ctor, cinit);
        const QByteArray plain = AbcWriter::Code()
                                         .op(Op::GetLocal0)
                                         .op(Op::PushScope)
                                         .op(Op::GetLocal0)
                                         .op(Op::ConstructSuper, 0)
                                         .op(Op::ReturnVoid)
                                         .out;
        abc.body(ctor, i == 0 ? constructor(abc, m, picture, tone) : plain, 8, 4, 4);
        abc.body(cinit, AbcWriter::Code().op(Op::ReturnVoid).out, 1, 1, 4);
        scriptCode.op(Op::GetLocal0).op(Op::GetLex, bases[i]).op(Op::NewClass, classes.last());
        scriptCode.op(Op::InitProperty, names[i]);
    }
    abc.body(init, scriptCode.op(Op::ReturnVoid).out, 3, 1, 2);
    abc.script(init, classes);
    return abc.bytes();
}

}  // namespace

QByteArray writeAvm2Movie(const RichMovie& m)
{
    QByteArray t = tag(69, u32(0x08)) + tag(9, rgb(m.background));  // ActionScript 3
    t += defineBitmap(Picture, 24, 24, true, {Qt::red, Qt::yellow, Qt::green, Qt::blue});
    t += defineSound(Tone, m.soundMs, m.soundHz);
    t += defineFont(Font, QStringLiteral("Glyphs"), QStringLiteral("ABC"), true);
    t += tag(82, u32(1) + cstring({}) + documentCode(m));  // DoABC, initialised lazily
    t += tag(76,
             u16(3) + u16(Picture) + cstring(QStringLiteral("Pic")) + u16(Tone) + cstring(QStringLiteral("Beep"))
                     + u16(Document) + cstring(QStringLiteral("Main")));
    return movie(10, 200, 150, m.frameRate, 1, t + tag(1, {}) + tag(0, {}));
}

}  // namespace corvane::test
