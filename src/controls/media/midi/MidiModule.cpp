// The MIDI engine's module: FluidSynth and the MIDI reader.
#include "FluidDriver.h"
#include "media/MediaEngineModule.h"

extern "C" Q_DECL_EXPORT corvane::MediaDriver* corvane_create_media_driver(const QString& audioOutput,
                                                                           const QString& /*videoOutput*/)
{
    return new corvane::FluidDriver(audioOutput);
}
