// The Flash display area seen from outside: screenshots of it on a real X display, listeners
// on the loopback address, the request guard's allow-list. One display area serves all.
#include "DispatchIds.h"
#include "flash/FlashEngine.h"
#include "flash/FlashPlayer.h"
#include "FlashRequestGuard.h"
#include "SwfWriter.h"
#include "TestMain.h"

#include <csignal>
#include <optional>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <span>

using namespace corvane;
using namespace corvane::test;

namespace {

template <typename F>
bool waitFor(F ok, int timeoutMs = 20000)
{
    return QTest::qWaitFor(ok, timeoutMs);
}

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

}  // namespace

class FlashTest : public QObject {
    Q_OBJECT

    void show(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        player_->put(dispid::flash::Movie, f.fileName());
    }
    // The widget's own rendering: other tests' windows cannot get in the way.
    QImage shot() const { return player_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    bool shows(const QColor& c, double atLeast = 0.3)
    {
        return waitFor([&] { return share(shot(), c) >= atLeast; });
    }
    bool moves()
    {
        return waitFor([&, before = shot()] { return shot() != before; });
    }
    // A script's result in the page; invalid when there is no page.
    QVariant evaluate(const QString& script)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        if (FlashEngine* engine = player_->engine())
            engine->evaluate(script, [answer](const QVariant& v) { *answer = v; });
        waitFor([&] { return answer->has_value(); }, 10000);
        return answer->value_or(QVariant());
    }
    bool errorPanelShown()  // Ruffle's own
    {
        return evaluate("(p => !!p && getComputedStyle(p).display !== 'none')(document.querySelector('#stage > *')"
                        "?.shadowRoot?.querySelector('#panic'))")
                .toBool();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QWidget> window_;
    FlashPlayer* player_ = nullptr;

private slots:
    void initTestCase()
    {
        window_ = std::make_unique<QWidget>();
        window_->resize(309, 229);
        window_->move(960, 780);  // out of the way of other tests' windows
        player_ = new FlashPlayer(window_.get());
        player_->setGeometry(10, 10, 289, 209);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    // The player leaves the home folder as it found it: empty.
    void cleanupTestCase()
    {
        window_.reset();
        QDirIterator it(QDir::homePath(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        const QString left = it.hasNext() ? it.next() : QString();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void guardLetsOnlyOwnDataAndBlobThrough()
    {
        const std::pair<const char*, bool> table[] = {
                {"corvane://flash/host.html", true}, {"data:text/plain,hi", true},
                {"blob:corvane://flash/0d1b", true}, {"corvane://elsewhere/host.html", false},
                {"http://127.0.0.1/", false},        {"ws://127.0.0.1/", false},
                {"file:///etc/passwd", false},       {"qrc:/corvane-flash/host.html", false}};
        for (const auto& [url, allowed] : table)
            QVERIFY2(FlashRequestGuard::allowed(QUrl(url)) == allowed, url);
    }

    void playsStopsResumesAndReplaces()
    {
        SwfMovie blue;  // the square crosses the stage in two thirds of a second, again and again
        show("blue.swf", writeSwf(blue));
        QVERIFY2(shows(blue.background) && shows(blue.square, 0.01), "the movie never showed");
        for (int i = 0; i < 3; ++i)
            QVERIFY2(moves(), "the movie does not move while playing");
        // Stopped, it holds its frame: nothing changes over a second and a half.
        player_->call(dispid::flash::Stop);
        QImage still = shot();
        QElapsedTimer quiet;
        quiet.start();
        QVERIFY2(waitFor([&] {
                     if (const QImage now = shot(); now != still)
                         still = now, quiet.restart();
                     return quiet.hasExpired(1500);
                 }),
                 "the movie goes on moving after Stop");
        // The frame shows the movie and nothing over it: all but blended edges is
        // background, square or the black beside the stage.
        QVERIFY(share(still, blue.square) > 0.01);
        QVERIFY2(share(still, blue.background) + share(still, blue.square) + share(still, Qt::black) > 0.97,
                 "something covers the stopped frame");
        player_->call(dispid::flash::Play);
        QVERIFY2(moves(), "Play did not resume the movie");
        // A second movie replaces the first, and plays although the first was
        // stopped. It is large, so it reaches the page in parts.
        player_->call(dispid::flash::Stop);
        SwfMovie green;
        green.background = QColor(0x30, 0xA0, 0x40);
        green.square = QColor(0xF0, 0xE0, 0x20);
        green.padding = 4 * 1024 * 1024;
        show("green.swf", writeSwf(green));
        QVERIFY2(shows(green.background), "the second movie never showed");
        QCOMPARE(share(shot(), blue.background) + share(shot(), blue.square), 0.0);
        QVERIFY2(moves(), "the second movie does not play");
    }

    void muteSetsTheVolume()
    {
        for (const bool mute : {true, false}) {
            player_->put(dispid::flash::Mute, mute);
            QVERIFY(waitFor(
                    [&] { return evaluate("String(corvaneFlash.status().volume)").toString() == (mute ? "0" : "1"); }));
        }
    }

    // A movie's getURL and loadMovie, and WebRTC (which goes round the request
    // guard), reach no listener; the page asks for devices and position in vain.
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
        QVERIFY(evaluate(QStringLiteral(R"JS(window.answers = [];
            try { window.pc = new RTCPeerConnection({ iceServers: [{ urls: "stun:127.0.0.1:%1" }] });
                  pc.createDataChannel("x"); pc.createOffer().then((o) => pc.setLocalDescription(o)); } catch (e) {}
            navigator.mediaDevices.getUserMedia({ audio: true, video: true })
                .then(() => answers.push("devices"), () => answers.push("no devices"));
            navigator.geolocation.getCurrentPosition(() => answers.push("position"), () => answers.push("no position"));
            true)JS")
                                 .arg(stun.localPort()))
                        .toBool());
        QVERIFY(waitFor([&] { return evaluate("answers.sort().join()").toString() == "no devices,no position"; }));
        for (int i = 0; i < 8; ++i)  // the movie loops, running its actions again
            QVERIFY(moves());
        QTest::qWait(1000);  // a request, when allowed, goes out at once
        QVERIFY(!server.hasPendingConnections());
        QVERIFY(!stun.hasPendingDatagrams());
        QCOMPARE(evaluate("location.href").toString(), QStringLiteral("corvane://flash/host.html"));
    }

    // Random bytes show the error panel; the next movie plays, and the panel is gone.
    void randomBytesShowTheErrorPanel()
    {
        QByteArray junk(64 * 1024, '\0');
        QRandomGenerator(20061206).fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
        show("junk.swf", junk);
        QVERIFY2(waitFor([&] { return errorPanelShown(); }), "no error panel for random bytes");
        SwfMovie good;
        show("good.swf", writeSwf(good));
        QVERIFY2(shows(good.background), "the movie after the failure never showed");
        QVERIFY(!errorPanelShown());
        QVERIFY(moves());
    }

    // The dead page's movie leaves the display; the next loads in a new page process, and plays.
    void renderProcessDeathLeavesAnEmptyDisplay()
    {
        SwfMovie first, next;
        next.background = Qt::darkGreen;
        show("first.swf", writeSwf(first));
        QVERIFY(shows(first.background));
        const qint64 pid = player_->engine()->renderProcessId();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QVERIFY2(waitFor([&] { return share(shot(), first.background) + share(shot(), first.square) == 0; }),
                 "the dead page's movie stays on show");
        show("next.swf", writeSwf(next));
        QVERIFY2(shows(next.background), "no movie after the page process died");
        QVERIFY(moves());
        QVERIFY(player_->engine()->renderProcessId() != pid);
    }
};

int main(int argc, char** argv)
{
    // A home folder of this run's own, to see that it stays empty; a desktop
    // session also has a runtime folder, where the sound system keeps its state.
    QTemporaryDir home, runtime;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qunsetenv(name);
    return runWidgetTest<FlashTest>(argc, argv);
}

#include "flash_test.moc"
