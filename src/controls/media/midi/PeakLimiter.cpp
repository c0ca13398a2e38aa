#include "PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {
// The gain comes back up by about 8.7 dB a second once the peaks are gone.
constexpr double kReleaseSeconds = 0.4;
}  // namespace

PeakLimiter::PeakLimiter(float ceiling, int sampleRate)
    : ceiling_(ceiling), release_(float(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate))))
{
    needed_.fill(1.0f);
    held_.fill(1.0f);
}

void PeakLimiter::process(float* left, float* right, int frames)
{
    for (int i = 0; i < frames; ++i) {
        const float gain = step(left[i], right[i]);
        // The gain already keeps the frame within the ceiling; the clamp
        // only takes off what rounding may add.
        left[i] = std::clamp(left[i] * gain, -ceiling_, ceiling_);
        right[i] = std::clamp(right[i] * gain, -ceiling_, ceiling_);
    }
}

// Takes in a frame and hands back the one a look-ahead earlier, with the gain
// it is to get. Each of the last look-ahead + 1 held minima was taken over a
// window that holds the frame going out, so their average is no more than the
// gain that frame needs: it never leaves above the ceiling.
float PeakLimiter::step(float& left, float& right)
{
    const float peak = std::max(std::abs(left), std::abs(right));
    needed_[windowAt_] = peak > ceiling_ ? ceiling_ / peak : 1.0f;
    const float windowMin = *std::min_element(needed_.begin(), needed_.end());
    released_ = std::min(windowMin, released_ + (1.0f - released_) * release_);
    heldSum_ += double(released_) - held_[windowAt_];
    held_[windowAt_] = released_;
    windowAt_ = (windowAt_ + 1) % int(needed_.size());
    std::swap(left, delayedLeft_[delayAt_]);
    std::swap(right, delayedRight_[delayAt_]);
    delayAt_ = (delayAt_ + 1) % int(delayedLeft_.size());
    return std::min(1.0f, float(heldSum_ / double(held_.size())));
}

}  // namespace corvane
