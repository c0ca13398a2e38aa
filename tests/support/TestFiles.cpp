#include "TestFiles.h"

#include <QDir>
#include <QFile>

namespace corvane::test {

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(QDir::cleanPath(QDir(dir).absoluteFilePath(name)));
    const bool ok = QDir().mkpath(QFileInfo(f).absolutePath()) && f.open(QIODevice::WriteOnly)
            && f.write(bytes) == bytes.size();
    return ok ? f.fileName() : QString();
}

}  // namespace corvane::test
