#pragma once
// What an engine module offers: each engine's driver lives in a module of its
// own, loaded when a device type of that engine is first chosen, so that the
// program starts without the engine's libraries.
#include <QString>

namespace corvane {

class MediaDriver;

// The module's one entry point: a new driver, owned by the caller. Empty
// outputs leave the choice to the engine; "null" is for tests.
using CreateMediaDriver = MediaDriver* (*)(const QString& audioOutput, const QString& videoOutput);
inline constexpr char CreateMediaDriverSymbol[] = "corvane_create_media_driver";

}  // namespace corvane
