// The real engines behind the device types, unless a test put others in.
#include "midi/FluidDriver.h"
#include "MediaDriver.h"
#include "mpv/MpvDriver.h"

namespace corvane {

namespace {

MediaDriverFactory& replacement()
{
    static MediaDriverFactory factory;
    return factory;
}

}  // namespace

void setMediaDriverFactory(MediaDriverFactory factory) { replacement() = std::move(factory); }

std::unique_ptr<MediaDriver> makeMediaDriver(MediaEngine engine, const QString& audioOutput, const QString& videoOutput)
{
    if (replacement())
        return replacement()(engine, audioOutput, videoOutput);
    if (engine == MediaEngine::Fluid)
        return std::make_unique<FluidDriver>(audioOutput);
    return std::make_unique<MpvDriver>(audioOutput, videoOutput);
}

}  // namespace corvane
