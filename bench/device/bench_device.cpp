// Measures the media device: open+play latency, CPU time against the engine's
// own player, the longest GUI event-loop stall while opening, and resident
// memory growth over many open/play/close cycles. Prints one figure a line.
// The outputs are the null ones, unless CORVANE_BENCH_OUTPUTS=real asks for
// the engines' own (the desktop's sound server, the video window).
//
//   bench_device latency TYPE FILE RUNS
//   bench_device cpu TYPE FILE
//   bench_device stall TYPE FILE RUNS [PICK_MS]
//   bench_device steps TYPE FILE RUNS VERB[:MS]...  (the longest stall over a run of verbs, each
//                                             followed by MS of event loop, 300 by default)
//   bench_device rss CYCLES_SMALL CYCLES_LARGE TYPE FILE [TYPE FILE...]
//   bench_device ends TYPE FILE RUNS [PICK_MS]
//   bench_device sweep TYPE FILE...         (each file played to its end once)
//   bench_device openwait TYPE FILE PICK_MS  (a fresh device: how long "open" takes when it comes
//                                             PICK_MS after the type, its engine's module maybe still loading)
//   bench_device writemidi FILE.mid [NOTES]  (2 s and four notes; or NOTES notes of 1/30 s, cut
//                                             short in its last byte when NOTES is negative)
#include "DispatchIds.h"
#include "media/MediaDevice.h"
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <sys/resource.h>
#include <vector>

using namespace corvane;

namespace {

MediaDeviceOptions benchOutputs()
{
    if (qgetenv("CORVANE_BENCH_OUTPUTS") == "real")
        return {};
    return {QStringLiteral("null"), QStringLiteral("null")};
}

struct Bench {
    MediaDevice device{nullptr, benchOutputs()};
    int completions = 0;
    int positionAtDone = -1;  // at the first completion
    Bench()
    {
        device.advise([this](DispId ev, const Args&) {
            if (ev == dispid::mci::Done && ++completions == 1)
                positionAtDone = position();
        });
    }
    void put(DispId id, const QString& v) { device.put(id, v); }
    void open(const QString& type, const QString& file)
    {
        put(dispid::mci::DeviceType, type);
        put(dispid::mci::FileName, file);
        put(dispid::mci::Command, QStringLiteral("open"));
    }
    void cmd(const char* verb) { put(dispid::mci::Command, QString::fromLatin1(verb)); }
    int position() { return device.get(dispid::mci::Position).toInt(); }
    // Runs the event loop until pred holds, looking every `every` ms.
    template <typename P>
    bool spinUntil(P pred, int ms, int every = 1)
    {
        if (pred())
            return true;
        QDeadlineTimer dl(ms);
        QEventLoop loop;
        QTimer look;
        look.setTimerType(Qt::PreciseTimer);
        look.setInterval(every);
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (pred() || dl.hasExpired())
                loop.quit();
        });
        look.start();
        loop.exec();
        return pred();
    }
};

double cpuSeconds(int who)
{
    rusage ru{};
    getrusage(who, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

int latency(const QString& type, const QString& file, int runs)
{
    Bench b;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        b.open(type, file);
        b.cmd("play");
        if (!b.spinUntil([&] { return b.position() > 0; }, 5000, 1)) {
            std::printf("run %d: position never advanced\n", i);
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
        b.cmd("close");
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("open+play to first advance (%s): median %.1f ms, worst %.1f ms, first %.1f ms, runs %d\n",
                qPrintable(file.section('/', -1)), ms[ms.size() / 2], ms.back(), first, runs);
    return 0;
}

int openWait(const QString& type, const QString& file, int pickMs)
{
    Bench b;
    b.put(dispid::mci::DeviceType, type);
    if (pickMs > 0)
        b.spinUntil([] { return false; }, pickMs, 5);
    b.put(dispid::mci::FileName, file);
    QElapsedTimer t;
    t.start();
    b.cmd("open");
    const double openMs = t.nsecsElapsed() / 1e6;
    b.cmd("play");
    const bool advanced = b.spinUntil([&] { return b.position() > 0; }, 5000, 1);
    std::printf("%s %d ms after the type: open %.1f ms, open+play to first advance %.1f ms%s\n",
                qPrintable(file.section('/', -1)), pickMs, openMs, t.nsecsElapsed() / 1e6,
                advanced ? "" : " (never advanced)");
    return advanced ? 0 : 1;
}

int cpu(const QString& type, const QString& file)
{
    Bench b;
    const double before = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    b.open(type, file);
    b.cmd("play");
    if (!b.spinUntil([&] { return b.completions > 0; }, 120000, 50))
        return 1;
    std::printf("device: cpu %.2f s, wall %.2f s\n", cpuSeconds(RUSAGE_SELF) - before, wall.elapsed() / 1000.0);
    return 0;
}

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Ticks every millisecond and keeps the longest gap between two ticks, and
// how much of it the GUI thread spent on the CPU (the rest it waited, or
// was kept off the CPU).
struct GapMeter {
    QElapsedTimer gap;
    qint64 longest = 0;
    qint64 longestCpu = 0;
    qint64 cpuAtTick = threadCpuNs();
    QTimer tick;
    GapMeter()
    {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            const qint64 cpu = threadCpuNs();
            if (gap.nsecsElapsed() > longest) {
                longest = gap.nsecsElapsed();
                longestCpu = cpu - cpuAtTick;
            }
            cpuAtTick = cpu;
            gap.restart();
        });
        gap.start();
        tick.start();
    }
};

// The longest gap between ticks of a 1 ms timer around an "open" and
// "play" of the file, over several runs (the first includes the engine's
// start, which the program pays once). With pickMs the type is chosen that
// long before the open, as the player does before its file dialog.
int stall(const QString& type, const QString& file, int runs, int pickMs)
{
    Bench b;
    std::vector<double> worst, calls, callCpu, closes;
    double worstCpu = 0;
    int length = 0;
    for (int i = 0; i < runs; ++i) {
        if (pickMs > 0) {
            b.put(dispid::mci::DeviceType, type);
            b.spinUntil([] { return false; }, pickMs, 10);
        }
        GapMeter meter;
        qint64& longest = meter.longest;
        qint64 callNs = 0;
        QTimer::singleShot(100, [&] {
            QElapsedTimer call;
            call.start();
            const double cpu = cpuSeconds(RUSAGE_THREAD);
            b.open(type, file);
            b.cmd("play");
            callNs = call.nsecsElapsed();
            callCpu.push_back((cpuSeconds(RUSAGE_THREAD) - cpu) * 1000);
        });
        b.spinUntil([] { return false; }, 900, 5);
        meter.tick.stop();
        length = b.device.get(dispid::mci::Length).toInt();
        QElapsedTimer closing;
        closing.start();
        b.cmd("close");
        closes.push_back(closing.nsecsElapsed() / 1e6);
        if (worst.empty() || longest / 1e6 > *std::max_element(worst.begin(), worst.end()))
            worstCpu = meter.longestCpu / 1e6;
        worst.push_back(longest / 1e6);
        calls.push_back(callNs / 1e6);
    }
    const double first = worst.front();
    std::sort(worst.begin(), worst.end());
    std::sort(calls.begin(), calls.end());
    std::sort(callCpu.begin(), callCpu.end());
    std::printf("event-loop stall opening %s: median %.1f ms, worst %.1f ms (GUI thread on the CPU %.1f ms of it; "
                "first %.1f ms); open+play call median "
                "%.1f ms, worst %.1f ms (its GUI-thread CPU worst %.1f ms); close call worst %.1f ms; length %d\n",
                qPrintable(file.section('/', -1)), worst[worst.size() / 2], worst.back(), worstCpu, first,
                calls[calls.size() / 2], calls.back(), callCpu.back(), *std::max_element(closes.begin(), closes.end()),
                length);
    return 0;
}

// Runs the verbs in order ("open" sets the type and file first), each
// followed by its time of event loop, and prints the longest stall of the
// worst run and each verb's longest call. Ends with "close" if the verbs do
// not; the type is chosen 1 s before the first verb (a person takes that
// long in the file dialog at least), within the
// measured time.
int steps(const QString& type, const QString& file, int runs, const QStringList& verbs)
{
    Bench b;
    double worst = 0, worstCpu = 0;
    std::vector<double> callWorst(verbs.size(), 0.0);
    for (int i = 0; i < runs; ++i) {
        GapMeter meter;
        b.put(dispid::mci::DeviceType, type);
        b.spinUntil([] { return false; }, 1000, 10);
        for (int v = 0; v < verbs.size(); ++v) {
            const QString verb = verbs[v].section(QLatin1Char(':'), 0, 0);
            const int after = verbs[v].contains(QLatin1Char(':')) ? verbs[v].section(QLatin1Char(':'), 1).toInt() : 300;
            QElapsedTimer call;
            call.start();
            if (verb == QLatin1String("open"))
                b.open(type, file);
            else
                b.cmd(qPrintable(verb));
            callWorst[v] = std::max(callWorst[v], call.nsecsElapsed() / 1e6);
            b.spinUntil([] { return false; }, after, 5);
        }
        if (meter.longest / 1e6 > worst) {
            worst = meter.longest / 1e6;
            worstCpu = meter.longestCpu / 1e6;
        }
        if (verbs.last() != QLatin1String("close"))
            b.cmd("close");
    }
    std::printf("event-loop stall over %s on %s: worst %.1f ms (GUI thread on the CPU %.1f ms of it) over %d runs; "
                "longest call:",
                qPrintable(verbs.join(' ')), qPrintable(file.section('/', -1)), worst, worstCpu, runs);
    for (int v = 0; v < verbs.size(); ++v)
        std::printf(" %s %.1f ms%s", qPrintable(verbs[v].section(QLatin1Char(':'), 0, 0)), callWorst[v],
                    v + 1 < verbs.size() ? "," : "\n");
    return 0;
}

// Cycles through the (type, file) pairs in turn.
int rss(const QStringList& typesAndFiles, int small, int large)
{
    Bench b;
    long atSmall = 0;
    const int kinds = int(typesAndFiles.size() / 2);
    for (int i = 1; i <= large; ++i) {
        const int k = i % kinds;
        b.open(typesAndFiles[2 * k], typesAndFiles[2 * k + 1]);
        b.cmd("play");
        if (!b.spinUntil([&] { return b.position() > 0; }, 5000))
            return 1;
        b.cmd("close");
        b.spinUntil([] { return false; }, 5);
        if (i == small)
            atSmall = rssKiB();
    }
    b.spinUntil([] { return false; }, 300);
    const long atLarge = rssKiB();
    QStringList names;
    for (int k = 0; k < kinds; ++k)
        names << typesAndFiles[2 * k + 1].section('/', -1);
    std::printf("resident memory (%s): %ld KiB after %d cycles, %ld KiB after %d, growth %.2f MB\n",
                qPrintable(names.join(QLatin1Char(','))), atSmall, small, atLarge, large, (atLarge - atSmall) / 1024.0);
    return 0;
}

// Plays each file once and checks the end: one completion, with the
// position equal to the length, no later than a second past the length, and
// the position never going back on the way. Prints a line a file and a
// summary; exits 1 if any file failed.
int sweep(const QString& type, const QStringList& files)
{
    int failed = 0;
    for (const QString& file : files) {
        Bench b;
        b.open(type, file);
        const QString name = file.section('/', -1);
        if (!b.device.isOpen()) {
            // Damaged files may be refused; clips the engine plays may not.
            const bool mustOpen = name.startsWith(QLatin1String("clip-"));
            failed += mustOpen;
            std::printf("%-28s refused at open%s\n", qPrintable(name), mustOpen ? ": FAIL" : "");
            continue;
        }
        const int length = b.device.get(dispid::mci::Length).toInt();
        int last = 0, back = 0;
        qint64 doneMs = -1;
        QElapsedTimer t;
        t.start();
        b.cmd("play");
        b.spinUntil(
                [&] {
                    if (b.completions == 0) {
                        const int p = b.position();
                        back = std::max(back, last - p);
                        last = p;
                    } else if (doneMs < 0) {
                        doneMs = t.elapsed();
                    }
                    return (doneMs >= 0 && t.elapsed() > doneMs + 300) || t.elapsed() > length + 3000;
                },
                length + 4000, 1);
        // A clean clip may not end before its sound does; a damaged file may.
        const bool early = name.startsWith(QLatin1String("clip-")) && doneMs < length - 150;
        const bool ok =
                b.completions == 1 && b.positionAtDone == length && doneMs <= length + 1000 && back == 0 && !early;
        failed += !ok;
        std::printf("%-28s length %6d ms, completions %d, position then %6d, after %5lld ms, back %3d ms: %s\n",
                    qPrintable(name), length, b.completions, b.positionAtDone, doneMs, back, ok ? "ok" : "FAIL");
    }
    std::printf("sweep %s: %d files, %d failed\n", qPrintable(type), int(files.size()), failed);
    return failed ? 1 : 0;
}

// When the completion comes after "play", against the length read at "open".
// pickMs is the time between choosing the device type and opening, as a
// person takes in the file dialog (0: a tool that opens at once). The first
// run is in a fresh device and is reported on its own.
int ends(const QString& type, const QString& file, int runs, int pickMs)
{
    Bench b;
    std::vector<double> late;
    int length = 0;
    for (int i = 0; i < runs; ++i) {
        b.put(dispid::mci::DeviceType, type);
        if (pickMs > 0)
            b.spinUntil([] { return false; }, pickMs, 10);
        b.open(type, file);
        length = b.device.get(dispid::mci::Length).toInt();
        const int before = b.completions;
        QElapsedTimer t;
        t.start();
        b.cmd("play");
        if (!b.spinUntil([&] { return b.completions > before; }, length + 5000, 1))
            return 1;
        late.push_back(t.nsecsElapsed() / 1e6 - length);
        b.cmd("close");
    }
    const double first = late.front();
    std::sort(late.begin(), late.end());
    std::printf("completion after play minus length (%s, length %d ms, type chosen %d ms before open): first in a "
                "fresh device %+.1f ms; earliest %+.1f ms, median %+.1f ms, latest %+.1f ms, runs %d\n",
                qPrintable(file.section('/', -1)), length, pickMs, first, late.front(), late[late.size() / 2],
                late.back(), runs);
    return 0;
}

int writeMidi(const QString& path, int notes)
{
    // Format 0, 480 ticks a beat, 120 bpm: four notes of a beat each, or
    // |notes| notes of 16 ticks in running status.
    QByteArray ev("\x00\xc0\x00", 3);
    if (notes == 0) {
        for (char key : {char(60), char(64), char(67), char(72)}) {
            ev.append("\x00\x90", 2).append(key).append(char(0x60));
            ev.append("\x83\x60", 2).append(key).append(char(0));
        }
    } else {
        ev.append("\x00\x90", 2);
        for (int i = 0; i < std::abs(notes); ++i) {
            const char key = char(48 + i % 36);
            if (i > 0)
                ev.append(char(0));
            ev.append(key).append(char(0x50)).append(char(16)).append(key).append(char(0));
        }
    }
    ev.append("\x00\xff\x2f\x00", 4);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xe0", 14);
    out.append("MTrk", 4);
    for (int s = 24; s >= 0; s -= 8)
        out.append(char((ev.size() >> s) & 0xff));
    out.append(ev);
    if (notes < 0)
        out.chop(5);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("MALLOC_ARENA_MAX"))  // run.sh compares with two
        mallopt(M_ARENA_MAX, 64);                        // as the program's main() does
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    const QString mode = a.value(1);
    if (mode == QLatin1String("sweep") && a.size() >= 4)
        return sweep(a[2], a.mid(3));
    if (mode == QLatin1String("latency") && a.size() == 5)
        return latency(a[2], a[3], a[4].toInt());
    if (mode == QLatin1String("cpu") && a.size() == 4)
        return cpu(a[2], a[3]);
    if (mode == QLatin1String("stall") && (a.size() == 5 || a.size() == 6))
        return stall(a[2], a[3], a[4].toInt(), a.value(5).toInt());
    if (mode == QLatin1String("steps") && a.size() >= 6)
        return steps(a[2], a[3], a[4].toInt(), a.mid(5));
    if (mode == QLatin1String("rss") && a.size() >= 6 && a.size() % 2 == 0)
        return rss(a.mid(4), a[2].toInt(), a[3].toInt());
    if (mode == QLatin1String("ends") && (a.size() == 5 || a.size() == 6))
        return ends(a[2], a[3], a[4].toInt(), a.value(5).toInt());
    if (mode == QLatin1String("openwait") && a.size() == 5)
        return openWait(a[2], a[3], a[4].toInt());
    if (mode == QLatin1String("writemidi") && (a.size() == 3 || a.size() == 4))
        return writeMidi(a[2], a.value(3).toInt());
    std::fprintf(stderr, "usage: see the head of bench_device.cpp\n");
    return 2;
}
