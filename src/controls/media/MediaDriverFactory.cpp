// The real engines behind the device types, each in a module of its own,
// unless a test put others in.
#include "MediaDriver.h"
#include "MediaEngineModule.h"
#include "modules/ModuleLoader.h"

namespace corvane {

namespace {

MediaDriverFactory& replacement()
{
    static MediaDriverFactory factory;
    return factory;
}

ModuleLoader& engineModule(MediaEngine engine)
{
    static ModuleLoader mpv(QStringLiteral(CORVANE_MPV_MODULE_NAME), QStringLiteral(CORVANE_MPV_MODULE_BUILD_PATH));
    static ModuleLoader midi(QStringLiteral(CORVANE_MIDI_MODULE_NAME), QStringLiteral(CORVANE_MIDI_MODULE_BUILD_PATH));
    return engine == MediaEngine::Fluid ? midi : mpv;
}

// A thread started while another loads a module waits for the dynamic
// linker's lock, for the whole load: the file dialog that follows the choice
// of a type starts its threads first, in its first showing.
constexpr int kLoadDelayMs = 250;

}  // namespace

void setMediaDriverFactory(MediaDriverFactory factory) { replacement() = std::move(factory); }

void whenMediaEngineReady(MediaEngine engine, QObject* context, std::function<void()> ready)
{
    if (replacement())
        ready();
    else
        engineModule(engine).whenSettled(context, std::move(ready), kLoadDelayMs);
}

std::unique_ptr<MediaDriver> makeMediaDriver(MediaEngine engine, const QString& audioOutput, const QString& videoOutput)
{
    if (replacement())
        return replacement()(engine, audioOutput, videoOutput);
    auto create = reinterpret_cast<CreateMediaDriver>(engineModule(engine).resolve(CreateMediaDriverSymbol));
    return std::unique_ptr<MediaDriver>(create ? create(audioOutput, videoOutput) : nullptr);
}

}  // namespace corvane
