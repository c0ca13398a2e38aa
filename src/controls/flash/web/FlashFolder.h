#pragma once
// The files a movie may read: those of its own folder and below, nothing
// else. A name comes as the movie asked for it, the part of its URL after
// the movie's own URL folder (see FlashSchemeHandler), still percent-encoded;
// it is taken apart into names of folders and a file, each found in turn
// below the folder, and the file is served only when its real path, links
// followed, still lies below the folder's real path, and it is a plain file.
//
// Plain POSIX calls on byte paths, so that a name that is not UTF-8 on disk
// (written by an older system in GBK) is found and opened as it is. Blocking:
// run it off the GUI thread.
#include <QByteArray>
#include <QString>

namespace corvane::flashfolder {

// A file found and opened for reading; fd is -1 when there is none.
struct Opened {
    int fd = -1;
    QByteArray path;  // its real path
    QString why;      // why there is none, for the debug log
};

// Opens `encoded` (percent-encoded, '/' between names) below `folder`.
Opened open(const QString& folder, const QByteArray& encoded);

// Percent-decoding that keeps a '%' which starts no valid escape as it is:
// "100%.png" stays "100%.png".
QByteArray percentDecoded(const QByteArray& encoded);

// The content type the page is told, by the file's name; the movie's player
// looks at the bytes themselves.
QByteArray contentType(const QByteArray& name);

}  // namespace corvane::flashfolder
