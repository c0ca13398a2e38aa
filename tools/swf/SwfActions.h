#pragma once
// AVM1 actions for the first frame of a test movie (SwfMovie::firstFrameActions).
#include <optional>
#include <QByteArray>
#include <QRgb>

namespace corvane::test {

// Reads the number `colour` of the local shared object "corvane", fills the
// stage with it (or with `missing` when there is none) and, when `save` is
// given, stores that as the colour and flushes the object.
QByteArray savedColourActions(QRgb missing, std::optional<QRgb> save);

}  // namespace corvane::test
