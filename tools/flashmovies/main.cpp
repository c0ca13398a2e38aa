// Writes the richer test movies (tools/swf/RichMovies.h).
//
//   corvane_flashmovies DIR          avm1.swf and avm2.swf in DIR, to look at
//   corvane_flashmovies --js FILE    the Flash page's warm-up script: movies of
//                                    both kinds, as base64, for the page to
//                                    play unseen and unheard before the first
//                                    real movie
#include "RichMovies.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

using namespace corvane::test;

namespace {

bool save(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

// Movies of their own colours and text: nothing of a user's movie, nor of the
// benchmarks'. A short sound is enough to start the sound path.
QByteArray warmScript()
{
    RichMovie m;
    m.background = QColor(0x10, 0x10, 0x10);
    m.marker = QColor(0x80, 0x80, 0x80);
    m.text = QStringLiteral("warm 0123456789");
    m.frames = 4;
    m.frameRate = 60;
    m.soundMs = 50;
    QByteArray js = "// Written at build time by tools/flashmovies: movies that the page plays\n"
                    "// unseen before the first real one.\n"
                    "window.corvaneWarmMovies = [\n";
    for (const QByteArray& swf : {writeAvm1Movie(m), writeAvm2Movie(m)})
        js += "  \"" + swf.toBase64() + "\",\n";
    return js + "];\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--js")
        return save(QString::fromLocal8Bit(argv[2]), warmScript()) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_flashmovies DIR | --js FILE\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const RichMovie m;
    return save(dir.filePath(QStringLiteral("avm1.swf")), writeAvm1Movie(m))
                    && save(dir.filePath(QStringLiteral("avm2.swf")), writeAvm2Movie(m))
            ? 0
            : 1;
}
