#include "FlashStore.h"

#include <cstdio>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace corvane {
namespace {

constexpr char MovieField[] = "movie";
constexpr char ObjectsField[] = "objects";
constexpr char AsideSuffix[] = ".corrupt-";
// A file larger than this was not written by the program: every character
// of the objects written out escaped, and room for the rest.
constexpr qint64 MaxFileBytes = 6 * FlashStore::MaxChars + 64 * 1024;
// Hex digits of the path's hash in the file's name.
constexpr int NameDigits = 32;

QByteArray local(const QString& path) { return QFile::encodeName(path); }

// The objects in a movie's file; `problem` says why there are none when
// the file is there but of no use. A missing file is no problem.
struct ReadResult {
    QJsonObject map;
    QString problem;
};

bool wellFormed(const QJsonDocument& doc, const QString& movie)
{
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(QLatin1String(MovieField)).toString() != movie
        || !root.value(QLatin1String(ObjectsField)).isObject())
        return false;
    const QJsonObject map = root.value(QLatin1String(ObjectsField)).toObject();
    for (auto it = map.begin(); it != map.end(); ++it)
        if (!it.value().isString())
            return false;
    return FlashStore::size(map) <= FlashStore::MaxChars;
}

ReadResult readFile(const QString& file, const QString& movie)
{
    QFile f(file);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly))
        return {{}, f.errorString()};
    if (f.size() > MaxFileBytes)
        return {{}, QStringLiteral("too large")};
    const QByteArray bytes = f.read(MaxFileBytes + 1);
    if (f.error() != QFileDevice::NoError)
        return {{}, f.errorString()};
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, error.errorString()};
    if (!wellFormed(doc, movie))
        return {{}, QStringLiteral("not a store of this movie")};
    return {doc.object().value(QLatin1String(ObjectsField)).toObject(), {}};
}

// Renames the file out of the way; the new name, or empty when it stays.
QString setAside(const QString& file)
{
    const QString aside = file + QLatin1String(AsideSuffix)
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz"));
    return QFile::rename(file, aside) ? aside : QString();
}

FlashStore::Objects readObjects(const QString& moviePath)
{
    FlashStore::Objects o;
    if (moviePath.isEmpty() || FlashStore::folder().isEmpty())
        return o;
    const QFileInfo info(moviePath);
    o.movie = info.canonicalFilePath();
    if (o.movie.isEmpty())
        o.movie = info.absoluteFilePath();
    o.file = FlashStore::fileFor(o.movie);
    ReadResult read = readFile(o.file, o.movie);
    if (read.problem.isEmpty()) {
        o.map = read.map;
        return o;
    }
    const QString aside = setAside(o.file);
    o.writable = !aside.isEmpty();
    if (o.writable)
        std::fprintf(stderr, "corvane: the shared objects of %s could not be read (%s); set aside as %s\n",
                     local(o.movie).constData(), read.problem.toLocal8Bit().constData(), local(aside).constData());
    else
        std::fprintf(
                stderr,
                "corvane: the shared objects of %s could not be read (%s) nor set aside; none are kept this time\n",
                local(o.movie).constData(), read.problem.toLocal8Bit().constData());
    return o;
}

void writeObjects(const FlashStore::Objects& o)
{
    if (o.map.isEmpty()) {  // the movie cleared all it had saved
        QFile::remove(o.file);
        return;
    }
    QDir().mkpath(QFileInfo(o.file).absolutePath());
    const QJsonObject root{{QLatin1String(MovieField), o.movie}, {QLatin1String(ObjectsField), o.map}};
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Compact);
    // Written beside the file and put in its place only when whole.
    QSaveFile f(o.file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        std::fprintf(stderr, "corvane: the shared objects of %s could not be saved: %s\n", local(o.movie).constData(),
                     f.errorString().toLocal8Bit().constData());
}

}  // namespace

FlashStore::FlashStore(QObject* parent) : QObject(parent) { worker_.setMaxThreadCount(1); }

FlashStore::~FlashStore() { worker_.waitForDone(); }

void FlashStore::waitForWrites() { worker_.waitForDone(); }

QString FlashStore::folder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/corvane/shared-objects");
}

QString FlashStore::fileFor(const QString& realPath)
{
    const QByteArray hash = QCryptographicHash::hash(realPath.toUtf8(), QCryptographicHash::Sha256).toHex();
    return folder() + QLatin1Char('/') + QString::fromLatin1(hash.left(NameDigits)) + QStringLiteral(".json");
}

qsizetype FlashStore::size(const QJsonObject& map)
{
    qsizetype n = 0;
    for (auto it = map.begin(); it != map.end(); ++it)
        n += it.key().size() + it.value().toString().size();
    return n;
}

void FlashStore::open(const QString& moviePath, std::function<void(const Objects&)> done)
{
    // The pool's jobs end before this object does.
    worker_.start([this, moviePath, done = std::move(done)] {
        Objects objects = readObjects(moviePath);
        QMetaObject::invokeMethod(
                this, [done, objects = std::move(objects)] { done(objects); }, Qt::QueuedConnection);
    });
}

void FlashStore::save(const Objects& objects)
{
    if (objects.file.isEmpty() || !objects.writable)
        return;
    const int mine = ++*objects.writes;
    worker_.start([objects, mine] {
        if (*objects.writes == mine)  // else a later write has newer objects
            writeObjects(objects);
    });
}

}  // namespace corvane
