// The Flash display area's frames in the window (289 x 209) and on the
// whole screen (全屏): frames shown a second, and the processor time each
// costs this process (the area) and the processes below it (the host and
// the page). Prints one line of key=value pairs.
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "flash/RemoteFlashEngine.h"
#include "ProcessMemory.h"
#include "SwfWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/resource.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int MeasureMs = 5000;

double ownCpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
            + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Counts the area's paints: each frame that came is painted once.
class PaintCount : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void measure(const char* name, PaintCount& count)
{
    const double own = ownCpuSeconds(), children = bench::childrenCpuSeconds();
    count.paints = 0;
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(MeasureMs);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const int frames = std::max(1, count.paints);
    std::printf("%s_fps=%.1f %s_area_cpu_ms_per_frame=%.2f %s_host_cpu_ms_per_frame=%.2f ", name, frames / seconds,
                name, (ownCpuSeconds() - own) * 1e3 / frames, name,
                (bench::childrenCpuSeconds() - children) * 1e3 / frames);
}

}  // namespace

int main(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SwfMovie movie;
    movie.frameRate = 60, movie.frames = 120;  // the square moves each frame
    const QString path = dir.filePath("moving.swf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(writeSwf(movie)) < 0)
        return 1;
    file.close();

    QWidget window;
    window.resize(400, 300);
    auto* player = new FlashPlayer(&window);
    player->setGeometry(50, 50, 289, 209);
    PaintCount count;
    player->installEventFilter(&count);
    window.show();
    player->put(dispid::flash::Movie, path);
    const auto frameSize = [&] {
        auto* engine = dynamic_cast<RemoteFlashEngine*>(player->engine());
        return engine ? engine->frameSize() : QSize();
    };
    if (!QTest::qWaitFor([&] { return frameSize() == player->size() * player->devicePixelRatioF(); }, 60000))
        return 1;
    measure("window", count);
    player->setFullScreen(true);
    const QSize screen = player->screen()->geometry().size() * player->devicePixelRatioF();
    if (!QTest::qWaitFor([&] { return frameSize() == screen; }, 20000))
        return 1;
    std::printf("screen=%dx%d ", screen.width(), screen.height());
    measure("full", count);
    std::printf("\n");
    player->setFullScreen(false);
    return 0;
}
