// The mpv engine's module: libmpv, the probe and the video window.
#include "media/MediaEngineModule.h"
#include "MpvDriver.h"

extern "C" Q_DECL_EXPORT corvane::MediaDriver* corvane_create_media_driver(const QString& audioOutput,
                                                                           const QString& videoOutput)
{
    return new corvane::MpvDriver(audioOutput, videoOutput);
}
