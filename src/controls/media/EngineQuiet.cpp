#include "EngineQuiet.h"

#include <dlfcn.h>

namespace corvane {

namespace {

// The shape of ALSA's snd_lib_error_handler_t.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void EngineQuiet::silenceAlsa()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Looked up rather than linked: both engines bring ALSA in, and the
    // device needs nothing else of it.
    if (auto set = reinterpret_cast<SetAlsaErrorHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
        set(&quietAlsa);
}

}  // namespace corvane
