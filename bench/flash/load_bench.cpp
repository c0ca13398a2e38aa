// Time from handing a movie path to the Flash display area (the end of the
// open dialog) to its first visible frame: cold, when the web engine's
// process starts with that movie, with its parts, and warm, when it already runs. The
// longest the GUI thread is held, cold and for a 200 MB movie. Memory
// before any movie and with one playing. Prints one line of key=value pairs.
#include "DispatchIds.h"
#include "flash/FlashEngine.h"
#include "flash/FlashPlayer.h"
#include "ProcessMemory.h"
#include "SwfWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

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

double ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The longest gap between the GUI thread's turns while it is watched, and
// how much of it the thread itself was busy (the rest it waited for a core).
struct Stall {
    QElapsedTimer beat;
    double longest = 0, busy = 0, cpu = threadCpuMs();
    QTimer timer;
    Stall()
    {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const double nowCpu = threadCpuMs();
            if (ms(beat) > longest)
                longest = ms(beat), busy = nowCpu - cpu;
            beat.restart();
            cpu = nowCpu;
        });
        beat.start();
        timer.start();
    }
};

// Milliseconds until the colour shows, or -1 after 30 s. On the way, when
// the page first answers and when its movie has loaded.
struct Shown {
    double page = -1, loaded = -1, frame = -1;
};
Shown untilShown(FlashPlayer& area, const QColor& c, const QElapsedTimer& since)
{
    Shown s;
    bool asked = false;
    while (since.elapsed() < 30000 && s.frame < 0) {
        FlashEngine* engine = area.engine();
        if (engine && s.loaded < 0 && !asked) {
            asked = true;
            engine->evaluate(QStringLiteral("corvaneFlash.status().state"), [&](const QVariant& v) {
                asked = false;
                if (v.isValid() && s.page < 0)
                    s.page = ms(since);
                if (v.toString() == QLatin1String("playing"))
                    s.loaded = ms(since);
            });
        }
        if (showsColour(area, c))
            s.frame = ms(since);
        QTest::qWait(5);
    }
    while (asked)  // the answer lands in s
        QTest::qWait(5);
    return s;
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
    test::SwfMovie first, second, large;
    second.background = QColor(0x30, 0xA0, 0x40);
    large.background = QColor(0xC0, 0x60, 0xC0);
    large.padding = 200 * 1000 * 1000;
    const QString a = dir.filePath("a.swf"), b = dir.filePath("b.swf"), c = dir.filePath("c.swf");
    for (const auto& [path, movie] : {std::pair{a, first}, std::pair{b, second}, std::pair{c, large}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(test::writeSwf(movie)) <= 0)
            return 1;
    }

    auto stall = std::make_unique<Stall>();
    QElapsedTimer t;
    t.start();
    area->put(dispid::flash::Movie, a);
    area->call(dispid::flash::Play);
    const double start = ms(t);  // put() came back; the engine starts in steps from here
    const Shown cold = untilShown(*area, first.background, t);
    const double coldStall = stall->longest;
    QTest::qWait(2000);
    const qint64 ownPlaying = bench::ownResidentKiB();
    const qint64 childrenPlaying = bench::childrenResidentKiB();
    const qint64 treePlaying = bench::treeProportionalKiB();

    stall = std::make_unique<Stall>();
    t.restart();
    area->put(dispid::flash::Movie, b);
    area->call(dispid::flash::Play);
    const Shown warm = untilShown(*area, second.background, t);
    const double warmStall = stall->longest;  // what a small movie costs: the yardstick

    QTest::qWait(500);
    stall = std::make_unique<Stall>();
    t.restart();
    area->put(dispid::flash::Movie, c);
    area->call(dispid::flash::Play);
    const Shown big = untilShown(*area, large.background, t);

    std::printf("cold_ms=%.1f cold_engine_start_ms=%.1f cold_page_ready_ms=%.1f "
                "cold_movie_loaded_ms=%.1f cold_stall_ms=%.1f warm_ms=%.1f warm_stall_ms=%.1f large_ms=%.1f "
                "large_stall_ms=%.1f large_stall_busy_ms=%.1f "
                "own_rss_before_kib=%lld children_rss_before_kib=%lld own_rss_playing_kib=%lld "
                "children_rss_playing_kib=%lld all_pss_before_kib=%lld all_pss_playing_kib=%lld\n",
                cold.frame, start, cold.page, cold.loaded, coldStall, warm.frame, warmStall, big.frame, stall->longest,
                stall->busy, static_cast<long long>(ownBefore), static_cast<long long>(childrenBefore),
                static_cast<long long>(ownPlaying), static_cast<long long>(childrenPlaying),
                static_cast<long long>(treeBefore), static_cast<long long>(treePlaying));
    return cold.frame < 0 || warm.frame < 0 ? 1 : 0;
}
