#pragma once
// The way out of the synth to the sound device: each block the synth renders
// (its dry sound with reverb and chorus mixed in) goes through a peak
// limiter, so a dense file does not clip at the synth's gain. Muted, it lets
// out silence from the next block on: the synth's gain at 0 stops new sound,
// but its reverb rings on for a second or more. One per audio driver, made
// before it and deleted after it.
#include "PeakLimiter.h"

#include <atomic>

struct _fluid_synth_t;  // NOLINT(bugprone-reserved-identifier)

namespace corvane {

class SynthOutput {
public:
    explicit SynthOutput(_fluid_synth_t* synth);

    // Renders frames frames of the synth into left and right, limited.
    void render(float* left, float* right, int frames);
    // From any thread; takes effect at the next block.
    void setMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }
    // The audio driver's callback, with a SynthOutput as its data: renders
    // into the driver's first two output buffers.
    static int audioCallback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);

private:
    _fluid_synth_t* synth_;
    PeakLimiter limiter_;
    std::atomic<bool> muted_{false};
};

}  // namespace corvane
