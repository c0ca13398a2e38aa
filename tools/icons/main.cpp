// Writes the program's icon images into a folder at build time:
//   <out>/<name>.ico                    the icon files of the Windows build
//   <out>/hicolor/<N>x<N>/<app-id>.png  the application icon for the desktop
// Usage: corvane_icongen <out> <app-id>
#include "IconArt.h"
#include "IcoWriter.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace corvane::iconart;

namespace {
bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <out-dir> <app-id>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString appId = QString::fromLocal8Bit(argv[2]);
    const struct {
        Picture picture;
        const char* name;
    } icons[] = {{Picture::App, "corvane"},
                 {Picture::Help, "help"},
                 {Picture::Formats, "formats"},
                 {Picture::About, "about"}};

    bool ok = QDir().mkpath(out);
    for (const auto& icon : icons) {
        // 256-colour images first, then the 32-bit ones, each by size.
        QList<QImage> images;
        for (int size : sizes(icon.picture))
            images << toPalette(paint(icon.picture, size));
        if (hasTrueColour(icon.picture))
            for (int size : sizes(icon.picture))
                images << paint(icon.picture, size);
        ok = ok
                && writeFile(out + QLatin1Char('/') + QLatin1String(icon.name) + QStringLiteral(".ico"),
                             icoFile(images));
    }
    // The desktop shows the same 256-colour images as the program file.
    for (int size : sizes(Picture::App)) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2").arg(out).arg(size);
        ok = ok && QDir().mkpath(dir)
                && toPalette(paint(Picture::App, size)).save(dir + QLatin1Char('/') + appId + QStringLiteral(".png"));
    }
    if (!ok)
        std::fprintf(stderr, "corvane_icongen: cannot write the icons into %s\n", argv[1]);
    return ok ? 0 : 1;
}
