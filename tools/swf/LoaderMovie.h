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

}  // namespace corvane::test
