// The Flash display area of the real main window seen from outside: screenshots of it on a
// real X display, listeners on the loopback address. One display area serves all.
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "flash/FlashEngine.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "RichMovies.h"
#include "SecondaryWindows.h"
#include "SwfActions.h"
#include "SwfWriter.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <optional>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <span>
#include <sys/stat.h>
#include <thread>

using namespace corvane;
using namespace corvane::test;

namespace {

bool waitFor(const std::function<bool()>& ok, int timeoutMs = 20000) { return QTest::qWaitFor(ok, timeoutMs); }

// The share of the image in colour c, give or take the blending of edges.
double share(const QImage& image, const QColor& c)
{
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (const QRgb p : std::span(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width()))
            hits += std::abs(qRed(p) - c.red()) < 12 && std::abs(qGreen(p) - c.green()) < 12
                    && std::abs(qBlue(p) - c.blue()) < 12;
    return image.isNull() ? 0 : double(hits) / (double(image.width()) * image.height());
}

// A file whose bytes come when the test says: a named pipe, fed by a thread.
struct SlowFile {
    QString path;
    std::thread feeder;
    explicit SlowFile(const QString& p) : path(p) { QVERIFY(::mkfifo(QFile::encodeName(p), 0600) == 0); }
    void feed(const QByteArray& bytes, int afterMs = 0)
    {
        feeder = std::thread([this, bytes, afterMs] {
            QThread::msleep(afterMs);
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
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

}  // namespace

class FlashTest : public QObject {
    Q_OBJECT

    void show(const QString& name, const QByteArray& bytes)
    {
        player_->put(dispid::flash::Movie, writeFile(dir_.path(), name, bytes));
    }
    // The widget's own rendering: other tests' windows cannot get in the way.
    QImage shot() const { return player_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    bool shows(const QColor& c, double min = 0.3)
    {
        return waitFor([&] { return share(shot(), c) >= min; });
    }
    bool moves()
    {
        return waitFor([&, before = shot()] { return shot() != before; });
    }
    // Nothing changes over a second and a half.
    bool holds()
    {
        QImage still = shot();
        QElapsedTimer quiet;
        quiet.start();
        return waitFor([&] {
            if (const QImage now = shot(); now != still)
                still = now, quiet.restart();
            return quiet.hasExpired(1500);
        });
    }
    QVariant evaluate(const QString& script)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        if (FlashEngine* engine = player_->engine())
            engine->evaluate(script, [answer](const QVariant& v) { *answer = v; });
        waitFor([&] { return answer->has_value(); }, 10000);
        return answer->value_or(QVariant());
    }
    // The movie's menu, opened by a right-click at `at` in the area (through the window, as
    // the pointer's would be), or by a key on `target`; null if none came up.
    QMenu* menuByMouse(QPoint at)
    {
        QTest::mouseClick(window_->windowHandle(), Qt::RightButton, {}, player_->mapTo(window_.get(), at));
        return shownMenu();
    }
    QMenu* menuByKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(target, key, mods);
        return shownMenu();
    }
    QMenu* shownMenu()
    {
        waitFor([&] { return player_->menu() && player_->menu()->isVisible(); }, 10000);
        return player_->menu();
    }
    static QStringList texts(const QMenu* menu)
    {
        QStringList out;
        for (const QAction* a : menu->actions())
            if (!a->isSeparator())
                out << a->text();
        return out;
    }
    static QAction* entry(const QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions()) {
            if (a->text() == text)
                return a;
            if (QAction* inner = a->menu() ? entry(a->menu(), text) : nullptr)
                return inner;
        }
        return nullptr;
    }
    // Picks an entry of the top level with the pointer, and waits for the menu to go.
    void choose(QMenu* menu, const QString& text)
    {
        QAction* a = entry(menu, text);
        QVERIFY2(a, qPrintable(text));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
    }
    QTemporaryDir dir_;
    SecondaryWindows secondary_;
    std::unique_ptr<Form1> window_;
    FlashPlayer* player_ = nullptr;

private slots:
    void initTestCase()
    {
        window_ =
                std::make_unique<Form1>(secondary_, MediaDeviceOptions{QStringLiteral("null"), QStringLiteral("null")});
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        window_->move(940, 600);  // out of the way of other tests' windows
        player_ = qobject_cast<FlashPlayer*>(window_->widget("ShockwaveFlash1"));
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    // The Flash opening's dialog readies the engine and Ruffle while it is up; a cancel
    // keeps them, shows nothing, and the movie chosen next time goes to the same page.
    void dialogWarmsTheEngine()
    {
        QVERIFY2(!player_->engine(), "the web engine started before the Flash dialog opened");
        auto* command6 = qobject_cast<QAbstractButton*>(window_->widget("Command6"));
        QVERIFY(command6);
        // While the dialog is up, ask the page until Ruffle is ready, then cancel.
        bool warmInDialog = false, asking = false;
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
        QTest::qWait(500);
        // The page shows, empty, in the area's own colour, so that the first movie
        // does not wait for the view's first showing.
        QVERIFY2(share(shot(), player_->palette().color(QPalette::Window)) > 0.99,
                 "the warm page shows something before any movie");
        QCOMPARE(evaluate("corvaneFlash.status().state").toString(), QStringLiteral("empty"));

        SwfMovie movie;
        movie.background = QColor(0x90, 0x30, 0x80);
        DialogAnswer answer;
        answer.arm(writeFile(dir_.path(), "chosen.swf", writeSwf(movie)));
        QTest::mouseClick(command6, Qt::LeftButton);
        QVERIFY(answer.seen);
        QVERIFY2(shows(movie.background) && moves(), "the movie chosen after a cancel does not play");
        QCOMPARE(player_->engine()->renderProcessId(), pid);
        QCOMPARE(evaluate("window.before").toInt(), 1);  // the same page: only the movie went in
    }

    // The first movie brings the web view, and the main window keeps its native window.
    void playsStopsResumesAndReplaces()
    {
        const WId before = window_->winId();
        SwfMovie blue;  // the square crosses the stage in two thirds of a second, again and again
        show("blue.swf", writeSwf(blue));
        QVERIFY2(shows(blue.background) && shows(blue.square, 0.01), "the movie never showed");
        QCOMPARE(window_->winId(), before);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(moves(), "the movie does not move while playing");
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
        while (share(area->grab().toImage().convertToFormat(QImage::Format_RGB32), movie.background) < 0.3
               && !waited.hasExpired(20000))
            QTest::qWait(50);
        QVERIFY2(!waited.hasExpired(20000), "the movie never showed");
    }

    // The file is read off the GUI thread; Stop given meanwhile holds for the movie when
    // it comes, and a later movie wins over a read still under way.
    void slowFileHoldsNothingUp()
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
    }

    // The movie's menu is the program's: a popup of its own, not clipped by the area, in
    // Chinese with each entry's state, from a right-click, the menu key or Shift+F10. Its
    // entries act on the movie (the transport buttons stay), the movie's own run the
    // movie's handlers, and Ruffle's menu never shows in the page.
    void movieMenu()
    {
        SwfMovie movie;
        movie.background = QColor(0x50, 0x50, 0xA0);
        movie.menuItems = {{"移开方块", "_x", 400}, {"移回方块", "_x", 0}, {"不可用", "_x", 100, false}};
        show("menu.swf", writeSwf(movie));
        QVERIFY(shows(movie.background) && shows(movie.square, 0.01) && moves());
        QCOMPARE(evaluate("navigator.language").toString(), QStringLiteral("zh-CN"));
        QList<std::pair<bool, bool>> buttons;  // enabled and checked, of every button of the window
        const auto buttonStates = [&] {
            buttons.clear();
            for (const QAbstractButton* b : window_->findChildren<QAbstractButton*>())
                buttons.append({b->isEnabled(), b->isChecked()});
            return buttons;
        };
        const auto before = buttonStates();

        QMenu* menu = menuByMouse(QPoint(60, 50));
        QVERIFY2(menu, "no menu on a right-click");
        QVERIFY(menu->isWindow() && (menu->windowFlags() & Qt::Popup) == Qt::Popup);
        const QRect area(player_->mapToGlobal(QPoint(0, 0)), player_->size());
        QVERIFY2(menu->height() > area.height(), "the menu fits in the area: it cannot show that it is not clipped");
        QVERIFY(!area.contains(menu->geometry()));
        QCOMPARE(texts(menu),
                 (QStringList{"移开方块", "移回方块", "不可用", "放大", "缩小", "全部显示", "品质", "播放", "循环",
                              "倒带", "前进", "后退"}));
        QAction* quality = entry(menu, "品质");
        QVERIFY(quality->menu());
        QCOMPARE(texts(quality->menu()), (QStringList{"低", "中", "高"}));
        QVERIFY(entry(menu, "高")->isChecked() && !entry(menu, "低")->isChecked());
        QVERIFY(entry(menu, "播放")->isChecked() && entry(menu, "播放")->isEnabled());
        QVERIFY(entry(menu, "循环")->isChecked() && !entry(menu, "循环")->isEnabled());  // Ruffle always loops
        QVERIFY(entry(menu, "放大")->isEnabled() && !entry(menu, "缩小")->isEnabled());
        QVERIFY(!entry(menu, "不可用")->isEnabled() && entry(menu, "移开方块")->isEnabled());
        QVERIFY(entry(menu, "前进")->isEnabled());
        const char* ruffleMenu = "(() => { const p = document.querySelector('ruffle-player');"
                                 " const o = p && p.shadowRoot && p.shadowRoot.getElementById('context-menu-overlay');"
                                 " return !!o && !o.classList.contains('hidden'); })()";
        QCOMPARE(evaluate(ruffleMenu).toBool(), false);
        // Escape closes it with nothing done; the movie plays on.
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
        QVERIFY(moves());

        // From the keyboard, in the view that has the movie: the first entry is ready for Return.
        QWidget* inner = player_->childAt(player_->rect().center());
        QVERIFY(inner);
        menu = menuByKey(inner, Qt::Key_Menu);
        QVERIFY2(menu, "no menu on the menu key");
        QCOMPARE(menu->activeAction() ? menu->activeAction()->text() : QString(), QStringLiteral("移开方块"));
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY2(waitFor([&] { return share(shot(), movie.square) == 0; }), "the movie's own entry did not run");
        menu = menuByKey(player_, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY2(menu, "no menu on Shift+F10");
        choose(menu, "移回方块");
        QVERIFY(shows(movie.square, 0.01));

        // 播放 stops the movie's timeline and starts it again; the program's own state stays.
        choose(menuByMouse(QPoint(60, 50)), "播放");
        QVERIFY2(holds(), "the movie moves on after 播放 was unchecked");
        menu = menuByMouse(QPoint(60, 50));
        QVERIFY(menu && !entry(menu, "播放")->isChecked());
        choose(menu, "播放");
        QVERIFY(moves());
        QCOMPARE(player_->get(dispid::flash::Playing).toBool(), true);
        QCOMPARE(buttonStates(), before);

        // 品质 > 低, from the keyboard: the next menu shows it chosen.
        menu = menuByMouse(QPoint(60, 50));
        menu->setActiveAction(entry(menu, "品质"));
        QTest::keyClick(menu, Qt::Key_Right);
        QVERIFY(waitFor([&] { return entry(menu, "品质")->menu()->isVisible(); }, 5000));
        QMenu* sub = entry(menu, "品质")->menu();
        QCOMPARE(sub->activeAction() ? sub->activeAction()->text() : QString(), QStringLiteral("低"));
        QTest::keyClick(sub, Qt::Key_Return);
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
        menu = menuByMouse(QPoint(60, 50));
        QVERIFY(menu && entry(menu, "低")->isChecked() && !entry(menu, "高")->isChecked());

        // 放大 doubles the movie round the pointer; 全部显示 shows it whole again.
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
        const QPoint centre = player_->rect().center();
        choose(menuByMouse(centre), "播放");  // a still frame to compare
        QVERIFY(holds());
        const QImage whole = shot();
        choose(menuByMouse(centre), "放大");
        QCOMPARE(evaluate("corvaneFlash.status().zoom").toInt(), 2);
        QCOMPARE(evaluate("Math.round(document.querySelector('ruffle-player').getBoundingClientRect().width"
                          " / document.getElementById('stage').clientWidth)")
                         .toInt(),
                 2);
        QVERIFY2(waitFor([&] { return shot() != whole; }), "放大 changed nothing on the screen");
        menu = menuByMouse(centre);
        QVERIFY(menu && entry(menu, "缩小")->isEnabled() && entry(menu, "全部显示")->isEnabled());
        choose(menu, "全部显示");
        QCOMPARE(evaluate("corvaneFlash.status().zoom").toInt(), 1);
        QVERIFY(waitFor([&] {
            const QImage now = shot();
            return std::abs(share(now, movie.background) - share(whole, movie.background)) < 0.02
                    && std::abs(share(now, movie.square) - share(whole, movie.square)) < 0.01;
        }));
        choose(menuByMouse(centre), "播放");
        QVERIFY(moves());
        QCOMPARE(evaluate(ruffleMenu).toBool(), false);
    }

    // The richer movies draw what they are made of: in AVM1 gradients, a bitmap, a
    // counter that changes every frame, and a button whose over and down states
    // show under the pointer; in AVM2 what the document class draws and adds.
    void richMoviesShowWhatTheyHold()
    {
        const RichMovie rich;
        show("avm1.swf", writeAvm1Movie(rich));
        QVERIFY2(shows(rich.marker) && shows(QColor(0xFF, 0xD0, 0x20), 0.001) && shows(Qt::yellow, 0.002),
                 "the AVM1 movie's box, gradient or bitmap never showed");
        QVERIFY2(moves(), "the AVM1 movie's frames do not change what it shows");
        // The button's middle, in the stage (200 x 150) as shown all in the display area.
        const double scale = std::min(player_->width() / 200.0, player_->height() / 150.0);
        const QPoint knob(int((player_->width() - 200 * scale) / 2 + 40 * scale),
                          int((player_->height() - 150 * scale) / 2 + 122 * scale));
        const QColor over(0xE0, 0x80, 0x00), down(0xC0, 0x00, 0x00);
        QVERIFY(share(shot(), over) < 0.001);
        QWidget* input = nullptr;  // the view's widget that takes the input (no web engine header here)
        for (QWidget* w : player_->findChildren<QWidget*>())
            input = w->inherits("QWebEngineView") ? w->focusProxy() : input;
        QVERIFY(input);
        QTest::mouseMove(input, input->mapFrom(player_, knob));
        QVERIFY2(shows(over, 0.01), "the button's over state does not show under the pointer");
        QTest::mousePress(input, Qt::LeftButton, {}, input->mapFrom(player_, knob));
        QVERIFY2(shows(down, 0.01), "the button's down state does not show when pressed");
        QTest::mouseRelease(input, Qt::LeftButton, {}, input->mapFrom(player_, knob));
        QCOMPARE(evaluate("1").toInt(), 1);

        show("avm2.swf", writeAvm2Movie(rich));
        QVERIFY2(shows(rich.marker) && shows(QColor(0xE0, 0x80, 0x00), 0.01) && shows(Qt::yellow, 0.002),
                 "the AVM2 document class's box, circle or bitmap never showed");
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
        for (const QString& name : files) {
            QFile f(store.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write("{\"objects\": [") > 0);
        }
        const ProbeRun corrupt = runPlayer(data.path(), one, colours, true);
        QCOMPARE(corrupt.seen, colours[0]);
        QCOMPARE(corrupt.errors.size(), 1);
        QVERIFY2(corrupt.errors[0].contains(QFileInfo(one).canonicalFilePath()), qPrintable(corrupt.errors[0]));
        QCOMPARE(store.entryList({"*.json.corrupt-*"}, QDir::Files).size(), 1);
        QCOMPARE(store.entryList({"*.json"}, QDir::Files).size(), 2);  // saved anew, beside the other's
    }
};

CORVANE_WIDGET_TEST_MAIN(FlashTest)

#include "flash_test.moc"
