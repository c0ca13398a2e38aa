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

}  // namespace

QByteArray writeAvm2LoaderMovie(const QColor& background, const QStringList& urls)
{
    AbcWriter abc;
    // Not "Main": a loaded movie's class of the same name would be found in
    // this one's domain first, and the loaded movie would be this one again.
    const int main = abc.name({}, QStringLiteral("FolderLoader"));
    const int sprite = abc.name(QStringLiteral("flash.display"), QStringLiteral("Sprite"));
    const int init = abc.method(0), ctor = abc.method(0), cinit = abc.method(0);
    const int cls = abc.addClass(main, sprite, ctor, cinit);
    abc.body(ctor, constructor(abc, urls), 4, 2, 2);
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
    QByteArray t = tag(69, u32(0x08)) + tag(9, rgb(background));              // ActionScript 3
    t += tag(82, u32(1) + cstring({}) + abc.bytes());                         // DoABC, initialised lazily
    t += tag(76, u16(1) + u16(0) + cstring(QStringLiteral("FolderLoader")));  // the document class
    return movie(10, 200, 150, 24, 1, t + tag(1, {}) + tag(0, {}));
}

}  // namespace corvane::test
