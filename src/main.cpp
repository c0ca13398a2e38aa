#include "CommandLine.h"
#include "Startup.h"

#include <malloc.h>

int main(int argc, char** argv)
{
    // --help, --version and anything refused are answered with no display.
    if (const auto exitCode = corvane::handleCommandLine(argc, argv))
        return *exitCode;
    // The video decoders' threads would each get a malloc arena of their
    // own, and every arena keeps its freed pages: two arenas keep the
    // program's memory flat over many opened files at no measurable cost.
    mallopt(M_ARENA_MAX, 2);
    return corvane::runCorvane(argc, argv);
}
