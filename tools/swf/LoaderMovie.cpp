#include "LoaderMovie.h"

#include "AbcWriter.h"
#include "SwfTags.h"

namespace corvane::test {

using namespace swf;

namespace {

using Op = AbcWriter::Op;

// The document class's constructor: for each URL,
//   var loader = new Loader(); loader.load(new URLRequest(url)); addChild(loader);
QByteArray constructor(AbcWriter& abc, const QStringList& urls)
{
    const int loader = abc.name(QStringLiteral("flash.display"), QStringLiteral("Loader"));
    const int request = abc.name(QStringLiteral("flash.net"), QStringLiteral("URLRequest"));
    AbcWriter::Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    for (const QString& url : urls) {
        c.op(Op::FindPropStrict, loader).op(Op::ConstructProp, loader, 0).op(Op::SetLocal1);
        c.op(Op::GetLocal1).op(Op::FindPropStrict, request).op(Op::PushString, abc.string(url));
        c.op(Op::ConstructProp, request, 1).op(Op::CallPropVoid, abc.name({}, QStringLiteral("load")), 1);
        c.op(Op::GetLocal0).op(Op::GetLocal1).op(Op::CallPropVoid, abc.name({}, QStringLiteral("addChild")), 1);
    }
    return c.op(Op::ReturnVoid).out;
}

// A "complete" listener that fills half the stage (the top or the bottom)
// with the colour the code `colour` pushes, the event being its argument:
//   graphics.beginFill(colour); graphics.drawRect(0, y, 200, 75); graphics.endFill();
// The movie's Sprite, whose graphics these are, is on the scope the
// function closes over.
int halfFiller(AbcWriter& abc, const AbcWriter::Code& colour, bool bottom)
{
    const int graphics = abc.name({}, QStringLiteral("graphics"));
    AbcWriter::Code c;
    c.op(Op::FindPropStrict, graphics).op(Op::GetProperty, graphics).op(Op::Dup);
    c.out += colour.out;
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("beginFill")), 1).op(Op::Dup);
    c.op(Op::PushByte, 0).op(Op::PushByte, bottom ? 75 : 0).op(Op::PushShort, 200).op(Op::PushByte, 75);
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("drawRect")), 4);
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("endFill")), 0).op(Op::ReturnVoid);
    const int method = abc.method(1);
    abc.body(method, c.out, 8, 2, 1);
    return method;
}

// loader = new CLASS(); loader.addEventListener("complete", listener); loader.load(new URLRequest(url))
void fetchWith(AbcWriter& abc, AbcWriter::Code& c, const QString& package, const QString& cls, const QString& url,
               int listener)
{
    const int type = abc.name(package, cls),
              request = abc.name(QStringLiteral("flash.net"), QStringLiteral("URLRequest"));
    c.op(Op::FindPropStrict, type).op(Op::ConstructProp, type, 0).op(Op::Dup);
    c.op(Op::PushString, abc.string(QStringLiteral("complete"))).op(Op::NewFunction, listener);
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("addEventListener")), 2);
    c.op(Op::FindPropStrict, request).op(Op::PushString, abc.string(url)).op(Op::ConstructProp, request, 1);
    c.op(Op::CallPropVoid, abc.name({}, QStringLiteral("load")), 1);
}

// A movie of one frame whose document class, a Sprite named `className`, is
// constructed by `body`.
QByteArray documentMovie(AbcWriter& abc, const QString& className, const QColor& background, const QByteArray& body)
{
    const int main = abc.name({}, className);
    const int sprite = abc.name(QStringLiteral("flash.display"), QStringLiteral("Sprite"));
    const int init = abc.method(0), ctor = abc.method(0), cinit = abc.method(0);
    const int cls = abc.addClass(main, sprite, ctor, cinit);
    abc.body(ctor, body, 6, 2, 2);
    abc.body(cinit, AbcWriter::Code().op(Op::ReturnVoid).out, 1, 1, 2);
    abc.body(init,
             AbcWriter::Code()
                     .op(Op::GetLocal0)
                     .op(Op::PushScope)
                     .op(Op::GetLocal0)
                     .op(Op::GetLex, sprite)
                     .op(Op::NewClass, cls)
                     .op(Op::InitProperty, main)
                     .op(Op::ReturnVoid)
                     .out,
             3, 1, 2);
    abc.script(init, {cls});
    QByteArray t = tag(69, u32(0x08)) + tag(9, rgb(background));  // ActionScript 3
    t += tag(82, u32(1) + cstring({}) + abc.bytes());             // DoABC, initialised lazily
    t += tag(76, u16(1) + u16(0) + cstring(className));           // the document class
    return movie(10, 200, 150, 24, 1, t + tag(1, {}) + tag(0, {}));
}

}  // namespace

QByteArray writeAvm2FetchMovie(const QColor& background, const QString& textUrl, const QString& soundUrl,
                               const QColor& soundLoaded)
{
    AbcWriter abc;
    AbcWriter::Code text, loaded;  // event.target.data; the colour itself
    text.op(Op::GetLocal1).op(Op::GetProperty, abc.name({}, QStringLiteral("target")));
    text.op(Op::GetProperty, abc.name({}, QStringLiteral("data")));
    loaded.op(Op::PushInt, abc.integer(int(soundLoaded.rgb() & 0xffffff)));
    const int top = halfFiller(abc, text, false), bottom = halfFiller(abc, loaded, true);
    AbcWriter::Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    fetchWith(abc, c, QStringLiteral("flash.net"), QStringLiteral("URLLoader"), textUrl, top);
    fetchWith(abc, c, QStringLiteral("flash.media"), QStringLiteral("Sound"), soundUrl, bottom);
    return documentMovie(abc, QStringLiteral("FolderFetcher"), background, c.op(Op::ReturnVoid).out);
}

QByteArray writeAvm2LoaderMovie(const QColor& background, const QStringList& urls)
{
    AbcWriter abc;
    // Not "Main": a loaded movie's class of the same name would be found in
    // this one's domain first, and the loaded movie would be this one again.
    const QByteArray body = constructor(abc, urls);
    return documentMovie(abc, QStringLiteral("FolderLoader"), background, body);
}

}  // namespace corvane::test
