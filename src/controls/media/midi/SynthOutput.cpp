#include "SynthOutput.h"

#include "SynthSetup.h"

#include <algorithm>
#include <fluidsynth.h>

namespace corvane {

namespace {
int sampleRate(fluid_synth_t* synth)
{
    double rate = 44100;
    fluid_settings_getnum(fluid_synth_get_settings(synth), "synth.sample-rate", &rate);
    return int(rate);
}
}  // namespace

SynthOutput::SynthOutput(fluid_synth_t* synth) : synth_(synth), limiter_(synthsetup::kCeiling, sampleRate(synth)) {}

void SynthOutput::render(float* left, float* right, int frames)
{
    std::fill_n(left, frames, 0.0f);
    std::fill_n(right, frames, 0.0f);
    // The effects go to the same pair as the dry sound: they are mixed in, as
    // the library's own output does.
    float* pair[] = {left, right};
    fluid_synth_process(synth_, frames, 2, pair, 2, pair);
    limiter_.process(left, right, frames);
    if (muted_.load(std::memory_order_relaxed)) {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
    }
}

int SynthOutput::audioCallback(void* data, int frames, int, float*[], int nout, float* out[])
{
    if (nout < 2)
        return FLUID_FAILED;
    static_cast<SynthOutput*>(data)->render(out[0], out[1], frames);
    return FLUID_OK;
}

}  // namespace corvane
