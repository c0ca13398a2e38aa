#pragma once
// Keeps the sound libraries under the engines from writing their own
// diagnostics to standard error: the device says at most one line about a
// file it cannot play, and a machine without a sound card is no error.
namespace corvane {

class EngineQuiet {
public:
    // ALSA prints a block of lines for every output it fails to open (each
    // engine probes it on a machine without sound); its error handler is
    // replaced by a silent one, if ALSA is loaded at all.
    static void silenceAlsa();
};

}  // namespace corvane
