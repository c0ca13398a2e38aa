#pragma once
// A look-ahead peak limiter for the synth's stereo output: no sample leaves it
// above the ceiling, whatever the synth renders. Each frame is delayed by the
// look-ahead; the gain it gets is the smallest any frame within the look-ahead
// around it needs, eased in over that window (a moving average of the held
// minimum, so the gain has reached its floor by the time the loud frame goes
// out) and released slowly after it. Below the ceiling the frames pass
// unchanged, only delayed. Plain arithmetic on fixed buffers: safe on the
// audio thread.
#include <array>

namespace corvane {

class PeakLimiter {
public:
    // ceiling: the largest sample magnitude let out (linear, 0 < ceiling <= 1).
    PeakLimiter(float ceiling, int sampleRate);

    // Limits frames frames of left and right in place.
    void process(float* left, float* right, int frames);
    float ceiling() const { return ceiling_; }

    // About 1.5 ms at 44.1 kHz: long enough to ease a gain change in without
    // an audible click, short enough to add no noticeable latency.
    static constexpr int kLookAhead = 64;

private:
    float step(float& left, float& right);

    const float ceiling_;
    const float release_;  // per frame, toward a gain of 1
    // The frames of the last look-ahead, and the gain each of these and the
    // frame going out needs, and the held minima averaged.
    std::array<float, kLookAhead> delayedLeft_{};
    std::array<float, kLookAhead> delayedRight_{};
    std::array<float, kLookAhead + 1> needed_{};
    std::array<float, kLookAhead + 1> held_{};
    double heldSum_ = kLookAhead + 1;
    float released_ = 1.0f;
    int delayAt_ = 0;
    int windowAt_ = 0;
};

}  // namespace corvane
