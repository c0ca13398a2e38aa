#include "FlashSchemeHandler.h"

#include "FlashProfile.h"

#include <QBuffer>
#include <QDir>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFlashScheme, "corvane.flash.scheme", QtWarningMsg)
#include <QFile>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <utility>

namespace corvane {

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

void FlashSchemeHandler::offerMovie(const QString& name, const QByteArray& bytes)
{
    movieName_ = name;
    movie_ = bytes;
}

void FlashSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    qCDebug(lcFlashScheme) << job->requestMethod() << url << job->initiator();
    if (job->requestMethod() != "GET" || url.host() != QLatin1String(flashweb::Host) || url.hasQuery()) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    QString name = url.path();
    if (!name.startsWith(QLatin1Char('/'))) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    name.remove(0, 1);
    if (!movieName_.isEmpty() && name == movieName_) {
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

}  // namespace corvane
