// The Flash display area's frames in the window (289 x 209) and on the
// whole screen (全屏): frames shown a second, and the processor time each
// costs this process (the area) and the processes below it (the host and
// the page). Prints one line of key=value pairs.
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "flash/RemoteFlashEngine.h"
#include "ScreenFigures.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

using namespace corvane;
using namespace corvane::test;

namespace {

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

}  // namespace

int main(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const SwfMovie movie = bench::movingSquare();
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
    bench::measureFrames("window", count.paints);
    player->setFullScreen(true);
    const QSize screen = player->screen()->geometry().size() * player->devicePixelRatioF();
    if (!QTest::qWaitFor([&] { return frameSize() == screen; }, 20000))
        return 1;
    std::printf("screen=%dx%d ", screen.width(), screen.height());
    bench::measureFrames("full", count.paints);
    std::printf("\n");
    player->setFullScreen(false);
    return 0;
}
