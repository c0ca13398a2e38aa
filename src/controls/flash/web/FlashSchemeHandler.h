#pragma once
// Serves the host page and Ruffle's runtime files from the resources built
// into the program, and the movie on offer, once. What is not in that list
// is not found.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

namespace corvane {

class FlashSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    explicit FlashSchemeHandler(QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

    // Serves these bytes under this name to the next request for it, in
    // place of any movie offered before.
    void offerMovie(const QString& name, const QByteArray& bytes);

    // The resource folder that holds the served files.
    static QString resourceDir();
    // Content type by file name; empty for names that are never served.
    static QByteArray mimeType(const QString& name);

private:
    QSet<QString> allowed_;
    QString movieName_;
    QByteArray movie_;
};

}  // namespace corvane
