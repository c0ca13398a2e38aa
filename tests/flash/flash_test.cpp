// The Flash display area of the real main window seen from outside: screenshots of it on a
// real X display, listeners on the loopback address. One display area serves all.
// (The movie's menu and the person's input: flash_menu_test.cpp.)
#include "DialogAnswer.h"
#include "flash/RemoteFlashEngine.h"
#include "FlashAreaTest.h"
#include "SwfActions.h"
#include "SwfWriter.h"
#include "TestMain.h"
#include "ThreadNices.h"

#include <atomic>
#include <csignal>
#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// A file whose bytes come when the test says: a named pipe, fed by a thread.
struct SlowFile {
    QString path;
    std::thread feeder;
    explicit SlowFile(const QString& p) : path(p) { QVERIFY(::mkfifo(QFile::encodeName(p), 0600) == 0); }
    void feed(const QByteArray& bytes, int afterMs = 0)
    {
        feeder = std::thread([this, bytes, afterMs] {
            QThread::msleep(afterMs);
            writeFile({}, path, bytes);
        });
    }
    ~SlowFile() { feeder.join(); }
};

// One run of a player of one movie, in a process of its own with its data
// folder in `data`: the colour of those given that the movie came to show
// ("none"), and the lines it wrote on the standard error.
struct ProbeRun {
    QString seen;
    QStringList errors;
};
ProbeRun runPlayer(const QString& data, const QString& movie, const QStringList& colours, bool saves)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data);
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(FLASH_STORE_PROBE),
                (saves ? QStringList{"--saves"} : QStringList{}) << movie << colours);
    if (!probe.waitForFinished(90000))
        probe.kill(), probe.waitForFinished();
    QStringList errors;  // the program's own lines, not the web engine's
    for (const QString& line : QString::fromLocal8Bit(probe.readAllStandardError()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("corvane:")))
            errors << line;
    return {QString::fromLocal8Bit(probe.readAllStandardOutput()).trimmed(), errors};
}

QString x11(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The top-level windows of process `pid` on the X display, and how many of them are mapped.
struct Windows {
    int all = 0, mapped = 0;
};
Windows windowsOf(qint64 pid)
{
    Windows w;
    const QString tree = x11(QStringLiteral("xwininfo"), {"-root", "-children"});
    for (const QString& line : tree.split(QLatin1Char('\n'))) {
        const QString id = line.trimmed().section(QLatin1Char(' '), 0, 0);
        if (!id.startsWith(QLatin1String("0x"))
            || !x11(QStringLiteral("xprop"), {"-id", id, "_NET_WM_PID"}).trimmed().endsWith(" " + QString::number(pid)))
            continue;
        ++w.all;
        w.mapped += !x11(QStringLiteral("xwininfo"), {"-id", id}).contains(QLatin1String("IsUnMapped"));
    }
    return w;
}

// Both cores kept busy at the lowest priority, as by a build beside the player.
struct BusyCores {
    std::atomic_bool done = false;
    std::vector<std::thread> threads;
    BusyCores()
    {
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([this] {
                ::setpriority(PRIO_PROCESS, pid_t(::gettid()), 19);
                while (!done)
                    ;
            });
    }
    ~BusyCores()
    {
        done = true;
        for (std::thread& t : threads)
            t.join();
    }
};

}  // namespace

class FlashTest : public FlashAreaTest {
    Q_OBJECT

private slots:
    void initTestCase() { openWindow(QPoint(940, 600)); }

    // The Flash opening's dialog readies the engine and Ruffle while it is up; a cancel
    // keeps them, shows nothing, and the movie chosen next time goes to the same page.
    // That movie brings the web view, and the main window keeps its native window; the web
    // engine's process shows no window of its own.
    void dialogWarmsTheEngineThenPlays()
    {
        QVERIFY2(!player_->engine(), "the web engine started before the Flash dialog opened");
        const WId before = window_->winId();
        auto* command6 = qobject_cast<QAbstractButton*>(window_->widget("Command6"));
        QVERIFY(command6);
        // While the dialog is up, ask the page until Ruffle is ready, then cancel.
        // The area shows its own colour only, then and after.
        bool warmInDialog = false, asking = false, unseen = true;
        const auto stillEmpty = [&] {
            unseen = unseen && share(shot(), player_->palette().color(QPalette::Window)) > 0.99;
        };
        QElapsedTimer up;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg || asking)
                return;
            if (!up.isValid())
                up.start();
            if (up.hasExpired(30000))
                return dlg->reject();
            stillEmpty();
            if (FlashEngine* engine = player_->engine()) {
                asking = true;
                engine->evaluate(QStringLiteral("corvaneFlash.status().warm && (window.before = 1)"),
                                 [&](const QVariant& v) {
                                     asking = false;
                                     warmInDialog = v.toBool();
                                     if (auto* open = QApplication::activeModalWidget(); open && warmInDialog)
                                         qobject_cast<QFileDialog*>(open)->reject();
                                 });
            }
        });
        poll.start(50);
        QTest::mouseClick(command6, Qt::LeftButton);  // comes back when the dialog is closed
        poll.stop();
        QVERIFY2(warmInDialog, "Ruffle was not ready while the dialog was up");
        QVERIFY(command6->isEnabled());  // a cancel changes nothing
        const qint64 pid = player_->engine()->renderProcessId();
        QVERIFY(pid > 0);
        // The page shows, empty, in the area's own colour, so that the first movie
        // does not wait for the view's first showing; the movies that ready Ruffle
        // play on meanwhile, never seen.
        QElapsedTimer playing;
        playing.start();
        while (!playing.hasExpired(800)) {
            stillEmpty();
            QTest::qWait(10);
        }
        QVERIFY2(unseen, "the warm page shows something before any movie");
        QCOMPARE(evaluate("corvaneFlash.status().state").toString(), QStringLiteral("empty"));

        SwfMovie blue;  // the square crosses the stage in two thirds of a second, again and again
        DialogAnswer answer;
        answer.arm(writeFile(dir_.path(), "chosen.swf", writeSwf(blue)));
        QTest::mouseClick(command6, Qt::LeftButton);
        QVERIFY(answer.seen);
        QVERIFY2(shows(blue.background) && shows(blue.square, 0.01), "the movie chosen after a cancel never showed");
        QCOMPARE(player_->engine()->renderProcessId(), pid);
        QCOMPARE(evaluate("window.before").toInt(), 1);  // the same page: only the movie went in
        QCOMPARE(window_->winId(), before);
        // The page draws off screen: its process puts no window on the person's screen.
        auto* remote = qobject_cast<RemoteFlashEngine*>(dynamic_cast<QObject*>(player_->engine()));
        QVERIFY(remote && remote->hostProcessId() > 0);
        const Windows hosts = windowsOf(remote->hostProcessId());
        QVERIFY(hosts.all > 0);
        QCOMPARE(hosts.mapped, 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(moves(), "the movie does not move while playing");
        // The page's workers, where its script engine compiles, yield to the thread
        // that plays the movie.
        const auto nices = threadNices(pid);
        int workers = 0;
        for (const auto& [name, nice] : nices) {
            workers += name == QLatin1String("ThreadPoolForeg");
            QVERIFY2(name != QLatin1String("ThreadPoolForeg") || nice == 19, qPrintable(name));
        }
        QVERIFY(workers > 0 && nices.first().second < 19);
        // Stopped, it holds its frame, and shows the movie and nothing over it: all but
        // blended edges is background, square or the black beside the stage.
        player_->call(dispid::flash::Stop);
        QVERIFY2(holds(), "the movie goes on moving after Stop");
        const QImage still = shot();
        QVERIFY(share(still, blue.square) > 0.01
                && share(still, blue.background) + share(still, blue.square) + share(still, Qt::black) > 0.97);
        player_->call(dispid::flash::Play);
        QVERIFY2(moves(), "Play did not resume the movie");
        // A second, large movie replaces the first, and plays although the first was stopped.
        player_->call(dispid::flash::Stop);
        SwfMovie green;
        green.background = QColor(0x30, 0xA0, 0x40), green.square = QColor(0xF0, 0xE0, 0x20), green.padding = 4 << 20;
        show("green.swf", writeSwf(green));
        QVERIFY(shows(green.background));
        QCOMPARE(share(shot(), blue.background) + share(shot(), blue.square), 0.0);
        QVERIFY2(moves(), "the second movie does not play");
    }

    // A display area that no dialog readied takes a movie all the same: the movie waits
    // for the engine, then in the page for Ruffle, and then shows.
    void unreadiedAreaTakesAMovie()
    {
        QWidget host;
        host.setGeometry(600, 100, 289, 209);
        auto* area = new FlashPlayer(&host);
        area->resize(host.size());
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        SwfMovie movie;
        movie.background = QColor(0x20, 0x80, 0x80);
        area->put(dispid::flash::Movie, writeFile(dir_.path(), "unreadied.swf", writeSwf(movie)));
        // Looked at every 50 ms with the event loop running in between: the page's files
        // come through it.
        QElapsedTimer waited;
        waited.start();
        while (share(shot(area), movie.background) < 0.3 && !waited.hasExpired(20000))
            QTest::qWait(50);
        QVERIFY2(!waited.hasExpired(20000), "the movie never showed");
    }

    // The file is read off the GUI thread; Stop given meanwhile holds for the movie when
    // it comes, and a later movie wins over a read still under way.
    void slowFileHoldsNothingUpThenEngineDies()
    {
        SwfMovie stopped, later, stale;
        stopped.background = Qt::darkCyan, later.background = Qt::darkYellow, stale.background = Qt::darkMagenta;
        SlowFile first(dir_.filePath("first.fifo")), second(dir_.filePath("second.fifo"));
        first.feed(writeSwf(stopped), 2500);
        player_->put(dispid::flash::Movie, first.path);
        player_->call(dispid::flash::Stop);
        QVERIFY(player_->reading());  // put() came back while the bytes are still to come
        QVERIFY(shows(stopped.background) && holds());
        player_->put(dispid::flash::Movie, second.path);
        show("later.swf", writeSwf(later));
        QVERIFY(shows(later.background));
        second.feed(writeSwf(stale));
        QTest::qWait(2000);
        QVERIFY(share(shot(), stale.background) == 0 && share(shot(), later.background) > 0.3);
        // A display area deleted while it reads leaves the read to end unheard.
        SlowFile third(dir_.filePath("third.fifo"));
        auto* gone = new FlashPlayer(window_.get());
        gone->put(dispid::flash::Movie, third.path);
        delete gone;
        third.feed(writeSwf(stale));

        // The engine's process dying takes only the movie: the window stays, the area shows
        // nothing, and the next movie starts a new process.
        auto* remote = dynamic_cast<RemoteFlashEngine*>(player_->engine());
        QVERIFY(remote && remote->hostProcessId() > 0);
        const qint64 host = remote->hostProcessId();
        QCOMPARE(::kill(pid_t(host), SIGKILL), 0);
        QVERIFY2(waitFor([&] { return share(shot(), later.background) == 0; }), "the area still shows the movie");
        QVERIFY(window_->isVisible());
        show("after.swf", writeSwf(stopped));
        QVERIFY2(shows(stopped.background, 0.3, ColdStartMs), "no movie after the engine's process died");
        QVERIFY(remote->hostProcessId() != host);
    }

    // A movie's getURL and loadMovie, and WebRTC (which goes round the request
    // guard), reach no listener.
    void movieReachesNoListener()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QTcpSocket probe;  // the listener works: silence below means refusal
        probe.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(server.waitForNewConnection(10000) && server.nextPendingConnection());
        QUdpSocket stun;
        QVERIFY(stun.bind(QHostAddress::LocalHost, 0));

        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
        SwfMovie movie;  // the first frame's actions run again at each loop
        movie.getUrls = {{base + "blank", "_blank"}, {base + "self", "_self"}, {base + "level1.swf", "_level1"}};
        movie.loadMovies = {base + "level2.swf"};
        show("net.swf", writeSwf(movie));
        QVERIFY(shows(movie.background));
        evaluate(QStringLiteral(
                         R"JS(try { window.pc = new RTCPeerConnection({ iceServers: [{ urls: "stun:127.0.0.1:%1" }] });
            pc.createDataChannel("x"); pc.createOffer().then((o) => pc.setLocalDescription(o)); } catch (e) {})JS")
                         .arg(stun.localPort()));
        for (int i = 0; i < 8; ++i)  // the movie loops, running its actions again
            QVERIFY(moves());
        QTest::qWait(1000);  // a request, when allowed, goes out at once
        QVERIFY(!server.hasPendingConnections());
        QVERIFY(!stun.hasPendingDatagrams());
        QCOMPARE(evaluate("location.href").toString(), QStringLiteral("corvane://flash/host.html"));
    }

    // What a movie saves outlives the player: a new player of the same file reads it back;
    // the same movie from another folder does not see it; a store that makes no sense is
    // set aside, said so in one line, and the movie starts with nothing saved.
    void savedObjectsOutliveThePlayer()
    {
        QTemporaryDir data;
        const QRgb missing = 0xC08030, saved = 0x30C060;
        const QStringList colours{QString::number(missing, 16), QString::number(saved, 16)};
        SwfMovie movie;
        movie.frames = 1;  // its actions run once: what it shows is what it read
        movie.firstFrameActions = savedColourActions(missing, saved);
        const QString one = writeFile(dir_.filePath("one"), "game.swf", writeSwf(movie));
        const QString two = writeFile(dir_.filePath("two"), "game.swf", writeSwf(movie));
        QCOMPARE(runPlayer(data.path(), one, colours, true).seen, colours[0]);
        const ProbeRun again = runPlayer(data.path(), one, colours, false);
        QCOMPARE(again.seen, colours[1]);
        QVERIFY2(again.errors.isEmpty(), qPrintable(again.errors.join('\n')));
        QCOMPARE(runPlayer(data.path(), two, colours, true).seen, colours[0]);

        QDir store(data.filePath("corvane/shared-objects"));
        const QStringList files = store.entryList({"*.json"}, QDir::Files);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files)
            QVERIFY(!writeFile(store.path(), name, "{\"objects\": [").isEmpty());
        const ProbeRun corrupt = runPlayer(data.path(), one, colours, true);
        QCOMPARE(corrupt.seen, colours[0]);
        QCOMPARE(corrupt.errors.size(), 1);
        QVERIFY2(corrupt.errors[0].contains(QFileInfo(one).canonicalFilePath()), qPrintable(corrupt.errors[0]));
        QCOMPARE(store.entryList({"*.json.corrupt-*"}, QDir::Files).size(), 1);
        QCOMPARE(store.entryList({"*.json"}, QDir::Files).size(), 2);  // saved anew, beside the other's
    }

    // A movie's last save is on disk when the program has ended, whichever way it
    // ended, with both cores busy.
    void lastSaveOutlivesEveryQuit()
    {
        BusyCores busy;
        SwfMovie movie;
        movie.frames = 1;
        movie.firstFrameActions = savedColourActions(0xC08030, 0x30C060);
        for (const QString way : {"menu", "close", "mpris", "term"}) {
            QTemporaryDir data;
            QProcess probe;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
            probe.setProcessEnvironment(env);
            probe.start(QStringLiteral(FLASH_QUIT_PROBE),
                        {way, writeFile(dir_.filePath("quit-" + way), "game.swf", writeSwf(movie))});
            QVERIFY(waitFor([&] { return probe.canReadLine() || probe.state() == QProcess::NotRunning; }, 90000));
            QCOMPARE(probe.readLine().trimmed(), QByteArray("saved"));
            if (way == QLatin1String("term"))
                QCOMPARE(::kill(pid_t(probe.processId()), SIGTERM), 0);
            if (way == QLatin1String("mpris"))
                QVERIFY(quitByMpris(probe.processId()));
            QVERIFY2(probe.waitForFinished(30000), qPrintable(way));
            QVERIFY2(probe.exitStatus() == QProcess::NormalExit,
                     qPrintable(way + ": " + QString::fromLocal8Bit(probe.readAllStandardError().right(2000))));
            const QDir store(data.filePath("corvane/shared-objects"));
            QVERIFY2(store.entryList({"*.json"}, QDir::Files).size() == 1, qPrintable(way));
        }
    }

private:
    // The desktop's Quit, sent to the program with this process id.
    static bool quitByMpris(qint64 pid)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return waitFor([&] {
            for (const QString& name : bus.interface()->registeredServiceNames().value())
                if (name.startsWith(QLatin1String("org.mpris.MediaPlayer2.corvane"))
                    && bus.interface()->servicePid(name).value() == uint(pid))
                    return bus.send(QDBusMessage::createMethodCall(name, QStringLiteral("/org/mpris/MediaPlayer2"),
                                                                   QStringLiteral("org.mpris.MediaPlayer2"),
                                                                   QStringLiteral("Quit")));
            return false;
        });
    }
};

CORVANE_WIDGET_TEST_MAIN(FlashTest)

#include "flash_test.moc"
