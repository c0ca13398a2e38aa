#pragma once
// Serves the host page and Ruffle's runtime files from the resources built
// into the program; the movie on offer, once, in a URL folder of its own,
// corvane://flash/m/N/ (N counts the movies); and in that same URL folder,
// the files of the movie's own folder and below (FlashFolder), for what the
// movie loads itself: pictures, sounds, texts, other movies.
//
// The movie's URL folder stands for its folder on disk, so that the page's
// player resolves a relative name against it as a player on the desktop did
// against the folder: "pics/a.png" is corvane://flash/m/N/pics/a.png. A
// name that leads anywhere else, a missing file and a refused one are all
// the same "not found" to the movie, and a line in the debug log. Only the
// latest movie's folder is served.
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

    // Offers these bytes, in place of any movie offered before, as the file
    // `name` of a new URL folder that stands for `folder` (none when empty).
    // Returns the movie's URL path from the page's ("m/N/name", encoded).
    QString offerMovie(const QString& folder, const QString& name, const QByteArray& bytes);

    // The resource folder that holds the served files.
    static QString resourceDir();
    // Content type by file name; empty for names that are never served.
    static QByteArray mimeType(const QString& name);

private:
    void serveMovieFile(QWebEngineUrlRequestJob* job, const QByteArray& path);

    QSet<QString> allowed_;
    int movies_ = 0;        // movies offered so far: the latest's URL folder is m/movies_/
    QString folder_;        // the latest movie's folder on disk
    QByteArray movieName_;  // its name in its URL folder, decoded, while its bytes wait
    QByteArray movie_;
};

}  // namespace corvane
