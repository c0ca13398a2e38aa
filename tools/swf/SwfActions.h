#pragma once
// AVM1 actions for the first frame of a test movie (SwfMovie::firstFrameActions).
#include <optional>
#include <QByteArray>
#include <QRgb>
#include <QString>

namespace corvane::test {

// Reads the number `colour` of the local shared object "corvane", fills the
// stage with it (or with `missing` when there is none) and, when `save` is
// given, stores that as the colour and flushes the object.
QByteArray savedColourActions(QRgb missing, std::optional<QRgb> save);

// Loads `url` into a new empty clip of the root at `depth` (above the
// writer's square, which is at depth 1) with a MovieClipLoader: a picture
// or a movie, shown at the clip's corner, the stage's.
QByteArray loadClipActions(const QString& url, int depth);

}  // namespace corvane::test
