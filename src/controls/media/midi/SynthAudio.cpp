#include "SynthAudio.h"

#include "Aside.h"
#include "SynthOutput.h"

#include <array>
#include <fluidsynth.h>

namespace corvane::synthaudio {

namespace {

// Frames of the block rendered before the audio starts: the synth's own block.
constexpr int kFirstBlock = 64;

Output openOutput(_fluid_hashtable_t* settings, _fluid_synth_t* synth, const QStringList& order)
{
    for (const QString& name : order) {
        fluid_settings_setstr(settings, "audio.driver", name.toUtf8().constData());
        if (name == QLatin1String("file")) {
            // Silent: the samples need no way out but the library's own.
            fluid_settings_setstr(settings, "audio.file.name", "/dev/null");
            fluid_settings_setstr(settings, "audio.file.type", "raw");
            if (_fluid_audio_driver_t* audio = new_fluid_audio_driver(settings, synth))
                return {audio, name, nullptr};
            continue;
        }
        auto stage = std::make_shared<SynthOutput>(synth);
        if (_fluid_audio_driver_t* audio = new_fluid_audio_driver2(settings, &SynthOutput::audioCallback, stage.get()))
            return {audio, name, stage};
    }
    return {};
}

}  // namespace

QStringList outputOrder(const QString& audioOutput, const QString& lastWorked)
{
    QStringList order{QStringLiteral("pulseaudio"), QStringLiteral("alsa"), QStringLiteral("file")};
    if (audioOutput == QLatin1String("null"))
        order = {QStringLiteral("file")};
    else if (!lastWorked.isEmpty())
        order.prepend(lastWorked);
    return order;
}

std::shared_future<Output> openAside(_fluid_hashtable_t* settings, _fluid_synth_t* synth, QStringList order,
                                     std::shared_future<bool> before)
{
    return runAside([settings, synth, order = std::move(order), before = std::move(before)] {
               if (before.valid())
                   before.wait();
               std::array<float, kFirstBlock> left{}, right{};
               fluid_synth_write_float(synth, kFirstBlock, left.data(), 0, 1, right.data(), 0, 1);
               return openOutput(settings, synth, order);
           })
            .share();
}

std::shared_future<bool> closeAside(std::shared_future<Output> opened, _fluid_player_t* player,
                                    std::shared_future<bool> before)
{
    return runAside([opened = std::move(opened), player, before = std::move(before)] {
               if (before.valid())
                   before.wait();
               if (opened.valid()) {
                   if (_fluid_audio_driver_t* audio = opened.get().audio)
                       delete_fluid_audio_driver(audio);
               }
               if (player)
                   delete_fluid_player(player);
               return true;
           })
            .share();
}

}  // namespace corvane::synthaudio
