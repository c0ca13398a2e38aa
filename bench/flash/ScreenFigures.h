#pragma once
// The full-screen figures, taken the same way for the player and for the
// bare page: one moving movie, frames a second, and the processor time each
// frame costs this process and the processes below it.
#include "ProcessMemory.h"
#include "SwfWriter.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace corvane::bench {

// A square that moves on every frame, at 60 frames a second.
inline test::SwfMovie movingSquare()
{
    test::SwfMovie movie;
    movie.frameRate = 60, movie.frames = 120;
    return movie;
}

inline double ownCpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
            + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Prints NAME_fps, NAME_own_cpu_ms_per_frame, NAME_below_cpu_ms_per_frame and
// their sum NAME_cpu_ms_per_frame over five seconds, the frames counted by
// whoever raises `frames`.
inline void measureFrames(const char* name, const int& frames)
{
    constexpr int MeasureMs = 5000;
    const double own = ownCpuSeconds(), below = childrenCpuSeconds();
    const int before = frames;
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(MeasureMs);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const int counted = std::max(1, frames - before);
    const double ownMs = (ownCpuSeconds() - own) * 1e3 / counted;
    const double belowMs = (childrenCpuSeconds() - below) * 1e3 / counted;
    std::printf("%s_fps=%.1f %s_own_cpu_ms_per_frame=%.2f %s_below_cpu_ms_per_frame=%.2f %s_cpu_ms_per_frame=%.1f ",
                name, counted / seconds, name, ownMs, name, belowMs, name, ownMs + belowMs);
}

}  // namespace corvane::bench
