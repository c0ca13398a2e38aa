#pragma once
// An AVM2 test movie that loads files beside it: its document class (a
// Sprite) adds, in turn, one flash.display.Loader a URL, each loading its
// URL (a picture or a movie) at the stage's corner, the later over the
// earlier. The stage is 200 x 150 pixels, of one background colour.
#include <QByteArray>
#include <QColor>
#include <QStringList>

namespace corvane::test {

QByteArray writeAvm2LoaderMovie(const QColor& background, const QStringList& urls);

// An AVM2 movie that reads `textUrl` with a URLLoader and fills the top half
// of the stage with the colour its text gives (a number, as "15753248"), and
// loads `soundUrl` into a Sound and, once it has loaded, fills the bottom
// half with `soundLoaded`.
QByteArray writeAvm2FetchMovie(const QColor& background, const QString& textUrl, const QString& soundUrl,
                               const QColor& soundLoaded);

}  // namespace corvane::test
