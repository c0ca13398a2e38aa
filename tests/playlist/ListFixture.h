#pragma once
// A scratch folder for list tests: tiny stand-in media files (the reader
// only checks that they exist) and list files written byte for byte.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace corvane::test {

class ListFolder {
public:
    ListFolder() { QVERIFY(dir_.isValid()); }

    QString path(const QString& rel) const { return QDir::cleanPath(dir_.path() + u'/' + rel); }

    QString write(const QString& rel, const QByteArray& bytes) const
    {
        const QString p = path(rel);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }

    // A stand-in media file.
    QString touch(const QString& rel) const { return write(rel, QByteArrayLiteral("RIFF\0\0\0\0WAVE")); }

    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace corvane::test
