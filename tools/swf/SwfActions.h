#pragma once
// AVM1 actions for the first frame of a test movie (SwfMovie::firstFrameActions).
#include <optional>
#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <utility>

namespace corvane::test {

// Reads the number `colour` of the local shared object "corvane", fills the
// stage with it (or with `missing` when there is none) and, when `save` is
// given, stores that as the colour and flushes the object.
QByteArray savedColourActions(QRgb missing, std::optional<QRgb> save);

// Loads `url` into a new empty clip of the root at `depth` (above the
// writer's square, which is at depth 1) with a MovieClipLoader: a picture
// or a movie, shown at the clip's corner, the stage's.
QByteArray loadClipActions(const QString& url, int depth);

// A game's keys: each key down fills the stage with the colour given for
// its key code (Key.getCode(): 39 for Right, 32 for space, 65 for A, 9 for
// Tab), through a Key listener.
QByteArray keyColourActions(const QList<std::pair<int, QRgb>>& keys);

// An input text field over the top of the stage, given the movie's focus;
// each change fills the stage with the colour given for its whole text.
QByteArray textColourActions(const QList<std::pair<QString, QRgb>>& texts);

// Loads `url` with a LoadVars, an XML object or a Sound (loadSound, as an
// event sound) and, once loaded, fills the stage with the colour named by
// what came: the variable c of the loaded text, the attribute c of the XML
// document's first element, or for a sound "true" or "false" (loaded or not).
enum class Loaded { Vars, Xml, Sound };
QByteArray loadedColourActions(Loaded kind, const QString& url, const QList<std::pair<QString, QRgb>>& colours);

// Asks for the full screen (Stage.displayState) at once, and again on each
// key down, through a Key listener. Ruffle takes a refused request for done:
// each key down sets "normal" first, so that it asks anew.
QByteArray fullScreenActions();

}  // namespace corvane::test
