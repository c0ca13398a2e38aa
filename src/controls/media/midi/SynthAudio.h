#pragma once
// The synth's audio drivers, made and deleted aside. Making one connects to a
// sound server, which may wait; deleting one joins its sound thread, which a
// sound server's blocking write can hold for over a second. Outputs are tried
// in the order a desktop needs: PulseAudio (which PipeWire desktops also
// serve), then ALSA, then the "file" driver writing raw samples to /dev/null,
// which keeps real-time pace without a sound card.
#include <future>
#include <memory>
#include <QString>
#include <QStringList>

// The library's own type names, declared here to keep its header out.
struct _fluid_hashtable_t;     // NOLINT(bugprone-reserved-identifier)
struct _fluid_synth_t;         // NOLINT(bugprone-reserved-identifier)
struct _fluid_player_t;        // NOLINT(bugprone-reserved-identifier)
struct _fluid_audio_driver_t;  // NOLINT(bugprone-reserved-identifier)

namespace corvane {

class SynthOutput;

namespace synthaudio {

// A player's sound: its audio driver, the output it went to and the stage the
// samples pass on their way there (none for the silent file output), which
// outlives the driver.
struct Output {
    _fluid_audio_driver_t* audio = nullptr;
    QString name;
    std::shared_ptr<SynthOutput> stage;
};

// The outputs to try: audioOutput "null" is the silent file output alone;
// otherwise the usual order, with the one that worked last time first.
QStringList outputOrder(const QString& audioOutput, const QString& lastWorked);

// Aside, once `before` is done: one block of the synth rendered (the player
// reads its file then), then the first output of `order` that opens made. No
// audio driver in the Output when none did. Only one player at a time makes
// its driver, so the settings written meanwhile are not written by another.
std::shared_future<Output> openAside(_fluid_hashtable_t* settings, _fluid_synth_t* synth, QStringList order,
                                     std::shared_future<bool> before);

// Aside, once `before` is done: the audio driver of `opened` deleted first,
// so nothing renders the synth any more, then `player` if given (FluidSynth
// frees its events one by one). Whatever waits for the result waits for both.
std::shared_future<bool> closeAside(std::shared_future<Output> opened, _fluid_player_t* player,
                                    std::shared_future<bool> before);

}  // namespace synthaudio
}  // namespace corvane
