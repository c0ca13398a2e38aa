#include "SynthSetup.h"

#include <fluidsynth.h>
#include <QFile>
#include <QFileInfo>

namespace corvane::synthsetup {

QStringList soundFontCandidates()
{
    return {QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3"),
            QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
}

Synth makeSynth()
{
    Synth s;
    s.settings = new_fluid_settings();
    if (s.settings) {
        fluid_settings_setnum(s.settings, "synth.gain", kGain);
        s.synth = new_fluid_synth(s.settings);
    }
    bool loaded = false;
    for (const QString& sf : soundFontCandidates()) {
        if (s.synth && !loaded && QFileInfo(sf).isFile())
            loaded = fluid_synth_sfload(s.synth, QFile::encodeName(sf).constData(), 1) != FLUID_FAILED;
    }
    if (loaded)
        return s;
    deleteSynth(s);
    return {};
}

void deleteSynth(const Synth& s)
{
    if (s.synth)
        delete_fluid_synth(s.synth);
    if (s.settings)
        delete_fluid_settings(s.settings);
}

}  // namespace corvane::synthsetup
