#pragma once
// The synthesizer as the player sounds: its settings and its soundfont. The
// driver plays with these, and the loudness test renders with them.
#include <QStringList>

// The library's own type names, declared here to keep its header out.
struct _fluid_hashtable_t;  // NOLINT(bugprone-reserved-identifier)
struct _fluid_synth_t;      // NOLINT(bugprone-reserved-identifier)

namespace corvane::synthsetup {

// The synth's own gain (the library's default is 0.2, some 10 dB quieter):
// the General MIDI programs played in turn come out about as loud as other
// media, near -21 LUFS; the peaks of dense files are left to the limiter of
// the output (SynthOutput).
constexpr double kGain = 0.65;
// The largest sample the output lets out: -1.5 dBFS, which keeps the true
// peak (between samples) under -1 dBFS.
constexpr float kCeiling = 0.841f;

struct Synth {
    _fluid_hashtable_t* settings = nullptr;
    _fluid_synth_t* synth = nullptr;
};

// The soundfonts looked for, in order.
QStringList soundFontCandidates();
// A synth with these settings and the first soundfont found loaded; both
// null when there is none. Slow (the soundfont is read): not on the GUI thread.
Synth makeSynth();
// Deletes what makeSynth() made, synth first.
void deleteSynth(const Synth& s);

}  // namespace corvane::synthsetup
