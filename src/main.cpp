#include "CommandLine.h"
#include "Startup.h"

#include <malloc.h>

namespace corvane {
// Enough for every thread of a playing video to have its own.
constexpr int kMallocArenas = 64;
}  // namespace corvane

int main(int argc, char** argv)
{
    // --help, --version and anything refused are answered with no display.
    if (const auto exitCode = corvane::handleCommandLine(argc, argv))
        return *exitCode;
    // Past the C library's arena limit (eight per core), threads share
    // malloc arenas, the GUI thread's among them: then an engine thread,
    // descheduled while it holds that arena's lock, kept the window from
    // answering for tens of milliseconds as a video opened. A playing video
    // runs more than twenty threads at once; the arenas of ended threads are
    // taken up again, so memory stays flat over many opened files.
    mallopt(M_ARENA_MAX, corvane::kMallocArenas);
    return corvane::runCorvane(argc, argv);
}
