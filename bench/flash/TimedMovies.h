#pragma once
// The two movies the "seen" figures time, told apart by their backgrounds:
// a.swf, then b.swf on green. Both benchmarks that time them write them here.
#include "SwfWriter.h"

#include <QDir>
#include <QFile>
#include <QStringList>

struct TimedMovies {
    corvane::test::SwfMovie a, b;
    TimedMovies() { b.background = QColor(0x30, 0xA0, 0x40); }
    // Writes both into dir; their paths, or none when one cannot be written.
    QStringList write(const QDir& dir) const
    {
        QStringList paths;
        for (const auto& [name, movie] : {std::pair{"a.swf", a}, std::pair{"b.swf", b}}) {
            QFile f(dir.filePath(QLatin1String(name)));
            if (!f.open(QIODevice::WriteOnly) || f.write(corvane::test::writeSwf(movie)) <= 0)
                return {};
            paths << f.fileName();
        }
        return paths;
    }
};
