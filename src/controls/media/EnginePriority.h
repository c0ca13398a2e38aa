#pragma once
// The video and Flash engines' threads (decoding, rendering) yield to the
// GUI thread: on a machine with few cores, a video's decoder threads
// starting up would otherwise keep the window from answering for tens of
// milliseconds. Threads take their priority from the thread that makes
// them, so a thread that starts an engine lowers itself first.
namespace corvane {

class EnginePriority {
public:
    // How far below the GUI thread an engine's threads run (in nice steps).
    static constexpr int kBelowGui = 5;

    // The lowest priority there is (the highest nice value).
    static constexpr int kLowest = 19;

    // Lowers the calling thread, and so every thread it makes from now on.
    // Never call it on the GUI thread.
    static void lowerThisThread();

    // Lowers the thread `tid`, of this process or another of the same user,
    // to `nice`; nothing when it runs that low already or has ended.
    static void lowerThread(long tid, int nice);
};

}  // namespace corvane
