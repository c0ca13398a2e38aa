#include "FlashSchemeHandler.h"

#include "FlashFolder.h"
#include "FlashProfile.h"

#include <memory>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFlashScheme, "corvane.flash.scheme", QtWarningMsg)
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <unistd.h>
#include <utility>

namespace corvane {

namespace {

constexpr char MoviePrefix[] = "/m/";

// A file a worker opened for a job, closed unless handed over.
struct OpenFile {
    int fd = -1;
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

void notFound(QWebEngineUrlRequestJob* job, const QUrl& url, const QString& why)
{
    qCDebug(lcFlashScheme) << "not served:" << url.toDisplayString() << why;
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
}

// On the GUI thread: the job, if it is still there, gets the file a worker
// opened, which the engine reads on a thread of its own.
void answer(const QPointer<QWebEngineUrlRequestJob>& job, const std::shared_ptr<OpenFile>& opened,
            const flashfolder::Opened& found, const QUrl& url)
{
    if (!job)
        return;
    if (opened->fd < 0)
        return notFound(job, url, found.why);
    auto* file = new QFile(job);
    if (!file->open(opened->fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return notFound(job, url, file->errorString());
    opened->release();
    qCDebug(lcFlashScheme) << "serving" << QFile::decodeName(found.path) << file->size() << "bytes";
    job->reply(flashfolder::contentType(found.path), file);
}

}  // namespace

QString FlashSchemeHandler::resourceDir() { return QStringLiteral(":/corvane-flash"); }

QByteArray FlashSchemeHandler::mimeType(const QString& name)
{
    if (name.endsWith(QLatin1String(".html")))
        return "text/html";
    if (name.endsWith(QLatin1String(".js")))
        return "text/javascript";
    if (name.endsWith(QLatin1String(".wasm")))
        return "application/wasm";
    return {};
}

FlashSchemeHandler::FlashSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent)
{
    const QStringList names = QDir(resourceDir()).entryList(QDir::Files);
    for (const QString& name : names) {
        if (!mimeType(name).isEmpty())
            allowed_.insert(name);
    }
}

QString FlashSchemeHandler::offerMovie(const QString& folder, const QString& name, const QByteArray& bytes)
{
    ++movies_;
    folder_ = folder;
    movieName_ = name.toUtf8();
    movie_ = bytes;
    return QStringLiteral("m/%1/").arg(movies_) + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

void FlashSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    qCDebug(lcFlashScheme) << job->requestMethod() << url << job->initiator();
    if (job->requestMethod() != "GET" || url.host() != QLatin1String(flashweb::Host)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    if (path.startsWith(MoviePrefix)) {
        // A '?' is part of what the movie asked for: it may be in the file's name.
        serveMovieFile(job, url.hasQuery() ? path + '?' + url.query(QUrl::FullyEncoded).toLatin1() : path);
        return;
    }
    if (url.hasQuery()) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    QString name = url.path();
    if (!name.startsWith(QLatin1Char('/'))) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    name.remove(0, 1);
    if (!allowed_.contains(name)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* file = new QFile(resourceDir() + QLatin1Char('/') + name, job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(mimeType(name), file);
}

void FlashSchemeHandler::serveMovieFile(QWebEngineUrlRequestJob* job, const QByteArray& path)
{
    const QUrl url = job->requestUrl();
    const QByteArray folder = MoviePrefix + QByteArray::number(movies_) + '/';
    if (movies_ == 0 || !path.startsWith(folder))
        return notFound(job, url, QStringLiteral("not the latest movie's"));
    const QByteArray name = path.mid(folder.size());
    if (!movieName_.isEmpty() && flashfolder::percentDecoded(name) == movieName_) {
        auto* buffer = new QBuffer(job);
        buffer->setData(std::exchange(movie_, {}));
        buffer->open(QIODevice::ReadOnly);
        movieName_.clear();
        // Freeing a large movie's bytes takes a while; a worker does it, once
        // the buffer is gone and this holds the last reference.
        QObject::connect(buffer, &QObject::destroyed, [bytes = buffer->data()] {
            QTimer::singleShot(0,
                               [bytes]() mutable { QThreadPool::globalInstance()->start([b = std::move(bytes)] {}); });
        });
        job->reply("application/x-shockwave-flash", buffer);
        return;
    }
    // The file is looked for and opened on a worker (a folder on a slow disk
    // or the network may keep it waiting); the engine then reads it on its
    // own thread, so a large file holds up neither the GUI thread nor the page.
    QThreadPool::globalInstance()->start([job = QPointer<QWebEngineUrlRequestJob>(job), dir = folder_, name, url] {
        auto found = flashfolder::open(dir, name);
        auto opened = std::make_shared<OpenFile>();
        opened->fd = std::exchange(found.fd, -1);
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [job, opened, found = std::move(found), url] { answer(job, opened, found, url); },
                Qt::QueuedConnection);
    });
}

}  // namespace corvane
