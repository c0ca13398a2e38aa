// Times a movie the way a person sees it: from outside the process, from the
// Return that closes the open dialog to the movie's colour in screen grabs
// taken every 10 ms. Keys go in through xdotool.
//
//   flash_seen_bench player PROGRAM [DIALOG_MS [KIND]]
//       the player: Ctrl+F, a name, Return DIALOG_MS (1500) after Ctrl+F (in
//       the later dialogs of the session, at most 1500 ms after)
//   flash_seen_bench floor PROGRAM [DIALOG_MS [KIND]]
//       the floor program: Return alone (no dialog)
//
// Each launches PROGRAM afresh and shows two movies, timing each, and prints
// seen_cold_ms (the first movie of the session) and seen_warm_ms (the
// second). KIND says which: "plain" (the default) is the
// small square movie a.swf, then b.swf on green; "avm1" and "avm2" are the
// richer movies of RichMovies.h, the same file opened twice, with b.swf
// opened in between so that the screen changes (untimed). The richer movies
// count as shown when their marker box is.
//
// Meanwhile the window is pinged (WindowPing.h), and it prints the longest
// stall of its GUI thread while the dialog was up (stall_dialog_*_ms, the
// player only) and from Return to a second after the movie showed
// (stall_open_*_ms). Then, the last movie playing on, the processor time
// of the program and its helpers as a share of one core
// (playing_cpu_percent) and their memory (playing_pss_kib).
#include "ProcessMemory.h"
#include "RichMovies.h"
#include "TimedMovies.h"
#include "WindowPing.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

QString xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(20000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

struct Window {
    QString id;
    QRect rect;
};

Window findWindow(const QString& name)
{
    Window w;
    w.id = xdotool({"search", "--sync", "--onlyvisible", "--name", name}).section(QLatin1Char('\n'), 0, 0);
    const QString geometry = xdotool({"getwindowgeometry", "--shell", w.id});
    QHash<QString, int> v;
    for (const QString& line : geometry.split(QLatin1Char('\n')))
        v.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
    w.rect = QRect(v.value("X"), v.value("Y"), v.value("WIDTH"), v.value("HEIGHT"));
    return w;
}

// Pixels of colour c in the window, counted every other pixel both ways.
int pixelsOf(const QRect& r, const QColor& c)
{
    const QImage img = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    int hits = 0;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            hits += (img.pixel(x, y) & 0xF0F0F0) == (c.rgb() & 0xF0F0F0);
    return hits * 4;
}

// From Return to a third of the 289 x 209 display area in colour c.
double seen(const Window& w, const QColor& c)
{
    QElapsedTimer t;
    t.start();
    xdotool({"key", "Return"});
    while (t.elapsed() < 60000) {
        if (pixelsOf(w.rect, c) > 289 * 209 / 3)
            return double(t.nsecsElapsed()) / 1e6;
        QTest::qWait(10);
    }
    return -1;
}

}  // namespace

namespace {

// One opening of a movie by its name in the dialog, and the colour that says
// it is on show.
struct Opening {
    QString name;
    QColor colour;
    bool timed;
};

// The openings of a kind; the rich movies' files written into `dir`.
QList<Opening> openings(const QString& kind, const TimedMovies& movies, const QDir& dir)
{
    if (kind == QLatin1String("plain"))
        return {{"a.swf", movies.a.background, true}, {"b.swf", movies.b.background, true}};
    const corvane::test::RichMovie rich;
    const QString name = kind + QStringLiteral(".swf");
    QFile f(dir.filePath(name));
    const QByteArray bytes =
            kind == QLatin1String("avm2") ? corvane::test::writeAvm2Movie(rich) : corvane::test::writeAvm1Movie(rich);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return {{name, rich.marker, true}, {"b.swf", movies.b.background, false}, {name, rich.marker, true}};
}

}  // namespace

// How long the processor time of the playing movie is taken over.
constexpr int PlayingMs = 3000;

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const bool player = args.at(1) == QLatin1String("player");
    QTemporaryDir dir;
    const TimedMovies movies;
    const QStringList written = movies.write(QDir(dir.path()));
    const QList<Opening> steps = openings(args.value(4, QStringLiteral("plain")), movies, QDir(dir.path()));
    if (written.isEmpty() || steps.isEmpty())
        return 1;
    // The floor shows its files in turn, one a Return.
    QStringList files;
    for (const Opening& step : steps)
        files << QDir(dir.path()).filePath(step.name);
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QFileInfo(args.at(2)).absoluteFilePath(), player ? QStringList() : files);
    const QString title = player ? QStringLiteral("^Corvane$") : QStringLiteral("^flash floor$");
    const int dialogMs = args.size() > 3 ? args.at(3).toInt() : 1500;
    Window w = findWindow(title);
    xdotool({"windowfocus", "--sync", w.id});
    QTest::qWait(1000);  // settled, as a person would be before choosing
    WindowPing ping(w.id.toUInt());
    QList<double> times, dialogStall, openStall;
    for (const Opening& step : steps) {
        // Only the first dialog of a session is up DIALOG_MS; the later ones
        // as long as a person takes, or less.
        const int upMs = &step == &steps.first() ? dialogMs : std::min(dialogMs, 1500);
        // With no window manager nobody gives the focus back when a window
        // closes: after the dialog, or after the floor's window was made anew.
        w = findWindow(title);
        xdotool({"windowfocus", "--sync", w.id});
        const auto opened = WindowPing::Clock::now();
        if (player) {
            QElapsedTimer dialog;
            dialog.start();
            xdotool({"key", "ctrl+f"});
            // A person types the name once the dialog is there to take it
            // (it has the focus), however short they keep it up.
            while (xdotool({"getwindowfocus"}) == w.id && dialog.elapsed() < 20000)
                QTest::qWait(10);
            QTest::qWait(std::max(0, upMs - 500 - int(dialog.elapsed())));
            xdotool({"type", "--delay", "20", step.name});
            QTest::qWait(std::max(0, upMs - int(dialog.elapsed())));
        }
        const auto returned = WindowPing::Clock::now();
        const double t = seen(w, step.colour);
        QTest::qWait(1000);
        if (!step.timed)
            continue;
        times << t;
        dialogStall << ping.longest(opened, returned);
        openStall << ping.longest(returned, WindowPing::Clock::now());
    }
    // The last movie playing on: the processor time and memory of the
    // program and its helpers.
    const double cpuBefore = corvane::bench::childrenCpuSeconds();
    QElapsedTimer playing;
    playing.start();
    QTest::qWait(PlayingMs);
    const double cpuPercent = (corvane::bench::childrenCpuSeconds() - cpuBefore) * 1e5 / double(playing.elapsed());
    const qint64 pss = corvane::bench::childrenProportionalKiB();
    program.terminate();
    program.waitForFinished(5000);
    std::printf("seen_cold_ms=%.1f seen_warm_ms=%.1f playing_cpu_percent=%.1f playing_pss_kib=%lld", times[0], times[1],
                cpuPercent, static_cast<long long>(pss));
    if (ping.running()) {
        if (player)
            std::printf(" stall_dialog_cold_ms=%.1f stall_dialog_warm_ms=%.1f", dialogStall[0], dialogStall[1]);
        std::printf(" stall_open_cold_ms=%.1f stall_open_warm_ms=%.1f", openStall[0], openStall[1]);
    }
    std::printf("\n");
    return times[0] < 0 || times[1] < 0 ? 1 : 0;
}
