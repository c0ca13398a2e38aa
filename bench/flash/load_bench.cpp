// Time from handing a movie path to the Flash display area (the end of the
// open dialog) to its first visible frame: cold, when the web engine starts
// with that movie, and warm, when it already runs. Memory before any movie
// and with one playing. Prints one line of key=value pairs.
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "ProcessMemory.h"
#include "SwfWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>

using namespace corvane;

namespace {

bool showsColour(QWidget& area, const QColor& c)
{
    const QImage img = area.screen()
                               ->grabWindow(area.window()->winId(), area.x(), area.y(), area.width(), area.height())
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    int hits = 0;
    for (int y = 0; y < img.height(); y += 4) {
        for (int x = 0; x < img.width(); x += 4) {
            const QRgb p = img.pixel(x, y);
            hits += std::abs(qRed(p) - c.red()) < 12 && std::abs(qGreen(p) - c.green()) < 12
                    && std::abs(qBlue(p) - c.blue()) < 12;
        }
    }
    return hits * 16 > img.width() * img.height() / 3;
}

// Milliseconds until the colour shows, or -1 after 30 s.
double untilShown(QWidget& area, const QColor& c, const QElapsedTimer& since)
{
    while (since.elapsed() < 30000) {
        if (showsColour(area, c))
            return double(since.nsecsElapsed()) / 1e6;
        QTest::qWait(5);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    QWidget window;
    window.resize(309, 229);
    auto* area = new FlashPlayer(&window);
    area->setGeometry(10, 10, 289, 209);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(200);
    const qint64 ownBefore = bench::ownResidentKiB();
    const qint64 childrenBefore = bench::childrenResidentKiB();
    const qint64 treeBefore = bench::treeProportionalKiB();

    QTemporaryDir dir;
    test::SwfMovie first;
    test::SwfMovie second;
    second.background = QColor(0x30, 0xA0, 0x40);
    const QString a = dir.filePath("a.swf");
    const QString b = dir.filePath("b.swf");
    for (const auto& [path, movie] : {std::pair{a, first}, std::pair{b, second}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(test::writeSwf(movie));
    }

    QElapsedTimer t;
    t.start();
    area->put(dispid::flash::Movie, a);
    area->call(dispid::flash::Play);
    const double start = double(t.nsecsElapsed()) / 1e6;  // loading the web module, making the view
    const double cold = untilShown(*area, first.background, t);
    QTest::qWait(2000);
    const qint64 ownPlaying = bench::ownResidentKiB();
    const qint64 childrenPlaying = bench::childrenResidentKiB();
    const qint64 treePlaying = bench::treeProportionalKiB();

    t.restart();
    area->put(dispid::flash::Movie, b);
    area->call(dispid::flash::Play);
    const double warm = untilShown(*area, second.background, t);

    std::printf("cold_ms=%.1f cold_blocking_ms=%.1f warm_ms=%.1f own_rss_before_kib=%lld children_rss_before_kib=%lld "
                "own_rss_playing_kib=%lld children_rss_playing_kib=%lld all_pss_before_kib=%lld "
                "all_pss_playing_kib=%lld\n",
                cold, start, warm, static_cast<long long>(ownBefore), static_cast<long long>(childrenBefore),
                static_cast<long long>(ownPlaying), static_cast<long long>(childrenPlaying),
                static_cast<long long>(treeBefore), static_cast<long long>(treePlaying));
    return cold < 0 || warm < 0 ? 1 : 0;
}
