// Times a movie the way a person sees it: from outside the process, from the
// Return that closes the open dialog to the movie's colour in screen grabs
// taken every 10 ms. Keys go in through xdotool.
//
//   flash_seen_bench player PROGRAM [DIALOG_MS]   the player: Ctrl+F, a name,
//                                                 Return DIALOG_MS (1500) after Ctrl+F
//   flash_seen_bench floor PROGRAM                the floor program: Return alone
//
// Each launches PROGRAM afresh, shows a first movie (cold) and then a second
// (warm), and prints seen_cold_ms and seen_warm_ms. Meanwhile the window is
// pinged (WindowPing.h), and it prints the longest stall of its GUI thread
// while the dialog was up (stall_dialog_*_ms, the player only) and from
// Return to a second after the movie showed (stall_open_*_ms).
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
    while (t.elapsed() < 30000) {
        if (pixelsOf(w.rect, c) > 289 * 209 / 3)
            return double(t.nsecsElapsed()) / 1e6;
        QTest::qWait(10);
    }
    return -1;
}

}  // namespace

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
    if (written.isEmpty())
        return 1;
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QFileInfo(args.at(2)).absoluteFilePath(), player ? QStringList() : written);
    const QString title = player ? QStringLiteral("^Corvane$") : QStringLiteral("^flash floor$");
    const int dialogMs = args.size() > 3 ? args.at(3).toInt() : 1500;
    Window w = findWindow(title);
    xdotool({"windowfocus", "--sync", w.id});
    QTest::qWait(1000);  // settled, as a person would be before choosing
    WindowPing ping(w.id.toUInt());
    double times[2] = {}, dialogStall[2] = {}, openStall[2] = {};
    for (int i = 0; i < 2; ++i) {
        // With no window manager nobody gives the focus back when a window
        // closes: after the dialog, or after the floor's window was made anew.
        w = findWindow(title);
        xdotool({"windowfocus", "--sync", w.id});
        const auto opened = WindowPing::Clock::now();
        if (player) {
            QElapsedTimer dialog;
            dialog.start();
            xdotool({"key", "ctrl+f"});
            QTest::qWait(std::max(0, dialogMs - 500));  // the dialog is up; a person types the name
            xdotool({"type", "--delay", "20", i == 0 ? "a.swf" : "b.swf"});
            QTest::qWait(std::max(0, dialogMs - int(dialog.elapsed())));
        }
        const auto returned = WindowPing::Clock::now();
        times[i] = seen(w, i == 0 ? movies.a.background : movies.b.background);
        QTest::qWait(1000);
        dialogStall[i] = ping.longest(opened, returned);
        openStall[i] = ping.longest(returned, WindowPing::Clock::now());
    }
    program.terminate();
    program.waitForFinished(5000);
    std::printf("seen_cold_ms=%.1f seen_warm_ms=%.1f", times[0], times[1]);
    if (ping.running()) {
        if (player)
            std::printf(" stall_dialog_cold_ms=%.1f stall_dialog_warm_ms=%.1f", dialogStall[0], dialogStall[1]);
        std::printf(" stall_open_cold_ms=%.1f stall_open_warm_ms=%.1f", openStall[0], openStall[1]);
    }
    std::printf("\n");
    return times[0] < 0 || times[1] < 0 ? 1 : 0;
}
