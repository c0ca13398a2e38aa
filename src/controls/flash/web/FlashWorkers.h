#pragma once
// The page's worker threads yield to its main thread. The script engine
// compiles hot WebAssembly again, optimised, on a worker of the page's
// process; that goes on for a second or more after Ruffle has started, and
// when a movie is chosen meanwhile, the page's main thread, which loads and
// draws it, would share a core with the compiler at equal priority. Lowered,
// the workers take the time the main thread leaves.
//
// The engine makes its workers as work comes, so they are looked for a few
// times while the page starts and after each movie.
#include <QObject>
#include <QTimer>

#include <functional>

namespace corvane {

class FlashWorkers : public QObject {
    Q_OBJECT
public:
    // `process` names the page's process (0 while there is none).
    explicit FlashWorkers(std::function<qint64()> process, QObject* parent = nullptr);

    // Looks for the workers now and for a while from now.
    void watch();

private:
    void look();
    // Lowers the workers of the process `pid` found now.
    static void lower(qint64 pid);

    // The name the engine gives its (foreground) worker threads, as the
    // system shortens it.
    static constexpr const char* WorkerName = "ThreadPoolForeg";

    // Looked for every LookMs, LookTimes times after each watch().
    static constexpr int LookMs = 100;
    static constexpr int LookTimes = 30;

    std::function<qint64()> process_;
    QTimer timer_;
    int left_ = 0;
};

}  // namespace corvane
