// libFuzzer target: the lenient MIDI reader and the clean file it writes.
#include "FuzzChecks.h"
#include "MidiFile.h"

#include <cstdlib>

using corvane::MidiFile;
using corvane::playlist::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto midi = MidiFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!midi)
        return 0;
    check(midi->totalTicks() > 0 && midi->lengthMs() >= 0 && midi->eventCount() > 0);
    check(std::abs(midi->msToTick(midi->tickToMs(midi->totalTicks())) - midi->totalTicks()) <= 1);
    // The clean file reads back as the same media.
    const auto clean = MidiFile::parse(midi->writeSmf());
    check(clean && clean->trackCount() == 1 && clean->totalTicks() == midi->totalTicks());
    check(clean->eventCount() == midi->eventCount() && clean->lengthMs() == midi->lengthMs());
    return 0;
}
