// A movie reaches nothing but its own bytes: its getURL and loadMovie
// actions, and the page itself, make no connection to a listener on the
// loopback address.
#include "DispatchIds.h"
#include "FlashHarness.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <QNetworkDatagram>

using namespace corvane;
using namespace corvane::test;

class FlashLockdownTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listenerIsReachable();
    void movieActionsConnectNowhere();
    void pageRequestsConnectNowhere();
    void pageGetsOnlyItsOwnFiles();
    void pageIsGrantedNothing();
    void webRtcSendsNothing();

private:
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_->serverPort()).arg(path);
    }
    std::unique_ptr<QTcpServer> server_;
    QStringList seen_; // first line of each request that arrived
    int connections_ = 0;
};

void FlashLockdownTest::init()
{
    server_ = std::make_unique<QTcpServer>();
    connections_ = 0;
    seen_.clear();
    QVERIFY(server_->listen(QHostAddress::LocalHost));
    connect(server_.get(), &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
            ++connections_;
            connect(s, &QTcpSocket::readyRead, s, [this, s] { seen_ << QString::fromLatin1(s->readLine()).trimmed(); });
        }
    });
}

void FlashLockdownTest::cleanup() { server_.reset(); }

// The listener itself works: a plain socket gets through, so silence in the
// tests below means the page was stopped, not that nobody listened.
void FlashLockdownTest::listenerIsReachable()
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, server_->serverPort());
    QVERIFY(probe.waitForConnected(5000));
    probe.write("GET /probe HTTP/1.0\r\n\r\n");
    QTRY_COMPARE(connections_, 1);
    QTRY_COMPARE(seen_.value(0), QStringLiteral("GET /probe HTTP/1.0"));
}

void FlashLockdownTest::movieActionsConnectNowhere()
{
    FlashHarness h;
    SwfMovie movie;
    movie.frameRate = 24;
    movie.frames = 12; // the first frame's actions run again twice a second
    movie.getUrls = {{url("geturl-blank"), QStringLiteral("_blank")},
                     {url("geturl-self"), QStringLiteral("_self")},
                     {url("geturl-top"), QString()},
                     {url("movie-level1.swf"), QStringLiteral("_level1")}};
    movie.loadMovies = {url("movie-level2.swf")};
    h.player().put(dispid::flash::Movie, h.writeFile("net.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    // Let the movie loop over its actions several times.
    for (int i = 0; i < 4; ++i)
        QVERIFY(h.waitForChange(h.shot()));
    QTest::qWait(1500);
    QCOMPARE(connections_, 0);
    QVERIFY2(seen_.isEmpty(), qPrintable(seen_.join(", ")));
    // The page stayed where it was and the movie still plays.
    QCOMPARE(h.evaluate(QStringLiteral("location.href")).toString(), QStringLiteral("corvane://flash/host.html"));
    QVERIFY(h.waitForChange(h.shot()));
}

void FlashLockdownTest::pageRequestsConnectNowhere()
{
    FlashHarness h;
    SwfMovie movie;
    h.player().put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    // Whatever script in the page might try: fetch, XHR, an image, a
    // window, a navigation.
    const QString script = QStringLiteral(R"JS((() => {
        const base = "%1";
        fetch(base + "fetch").catch(() => {});
        const x = new XMLHttpRequest();
        try { x.open("GET", base + "xhr"); x.send(); } catch (e) {}
        const img = new Image(); img.src = base + "img";
        try { window.open(base + "window"); } catch (e) {}
        setTimeout(() => { location.href = base + "navigate"; }, 200);
        return true;
    })())JS").arg(url(QString()));
    QVERIFY(h.evaluate(script).toBool());
    QTest::qWait(2000);
    QCOMPARE(connections_, 0);
    QVERIFY2(seen_.isEmpty(), qPrintable(seen_.join(", ")));
    QCOMPARE(h.evaluate(QStringLiteral("location.href")).toString(), QStringLiteral("corvane://flash/host.html"));
    QVERIFY(h.waitForChange(h.shot()));
}

// The page's own scheme serves Ruffle's runtime and the page, nothing else:
// no source maps, no paths out of its folder, no other host, no queries.
void FlashLockdownTest::pageGetsOnlyItsOwnFiles()
{
    FlashHarness h;
    SwfMovie movie;
    h.player().put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    const QString script = QStringLiteral(R"JS((() => {
        const answers = {};
        for (const u of ["ruffle.js", "host.js", "ruffle.js.map", "package.json", "README.md",
                         "../corvane-flash/ruffle.js", "%2e%2e/ruffle.js", "sub/ruffle.js",
                         "ruffle.js?x=1", "corvane://other/ruffle.js", "flash.qrc"]) {
            const x = new XMLHttpRequest();
            try {
                x.open("GET", u, false);
                x.send();
                answers[u] = x.status;
            } catch (e) {
                answers[u] = -1;
            }
        }
        return JSON.stringify(answers);
    })())JS");
    const QJsonObject answers = QJsonDocument::fromJson(h.evaluate(script).toString().toUtf8()).object();
    QCOMPARE(answers.size(), 11);
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        const bool served = it.value().toInt() == 200;
        // "%2e%2e/ruffle.js" resolves to /ruffle.js, one of the page's own files.
        const bool own = QStringList{"ruffle.js", "host.js", "%2e%2e/ruffle.js"}
                             .contains(it.key());
        QVERIFY2(served == own, qPrintable(it.key() + " answered " + QString::number(it.value().toInt())));
    }
}

// Whatever the page asks of the person or the machine is refused at once:
// camera and microphone, position, notifications, the clipboard.
void FlashLockdownTest::pageIsGrantedNothing()
{
    FlashHarness h;
    SwfMovie movie;
    h.player().put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    QGuiApplication::clipboard()->setText(QStringLiteral("left alone"));
    const QString script = QStringLiteral(R"JS((() => {
        const answers = window.answers = {};
        navigator.mediaDevices.getUserMedia({ audio: true, video: true })
            .then(() => { answers.media = "granted"; }, (e) => { answers.media = "refused"; });
        navigator.geolocation.getCurrentPosition(() => { answers.position = "granted"; },
                                                 () => { answers.position = "refused"; });
        Notification.requestPermission().then((p) => { answers.notification = p; });
        const text = document.createElement("textarea");
        text.value = "from the page";
        document.body.appendChild(text);
        text.select();
        answers.copy = document.execCommand("copy") ? "copied" : "refused";
        answers.paste = document.execCommand("paste") ? "pasted" : "refused";
        text.remove();
        return true;
    })())JS");
    QVERIFY(h.evaluate(script).toBool());
    const QString expected = QStringLiteral(
        R"({"copy":"refused","media":"refused","notification":"denied","paste":"refused","position":"refused"})");
    const auto answers = [&] {
        const QJsonObject o = QJsonDocument::fromJson(
            h.evaluate(QStringLiteral("JSON.stringify(window.answers)")).toString().toUtf8()).object();
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    };
    QTRY_COMPARE_WITH_TIMEOUT(answers(), expected, 10000);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("left alone"));
}

// WebRTC goes round the request guard: its STUN requests to a listener on
// the loopback address must not go out either, if it can be started at all.
void FlashLockdownTest::webRtcSendsNothing()
{
    QUdpSocket stun;
    QVERIFY(stun.bind(QHostAddress::LocalHost, 0));
    int datagrams = 0;
    connect(&stun, &QUdpSocket::readyRead, this, [&] {
        while (stun.hasPendingDatagrams()) {
            stun.receiveDatagram();
            ++datagrams;
        }
    });
    FlashHarness h;
    SwfMovie movie;
    h.player().put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    const QString script = QStringLiteral(R"JS((() => {
        window.gathering = "no";
        try {
            const pc = new RTCPeerConnection({ iceServers: [{ urls: "stun:127.0.0.1:%1" }] });
            pc.createDataChannel("x");
            pc.createOffer().then((o) => pc.setLocalDescription(o)).then(() => { window.gathering = "yes"; });
            window.keep = pc;
        } catch (e) {
            window.gathering = "impossible";
        }
        return true;
    })())JS").arg(stun.localPort());
    QVERIFY(h.evaluate(script).toBool());
    QTRY_VERIFY(h.evaluate(QStringLiteral("window.gathering")).toString() != QStringLiteral("no"));
    QTest::qWait(1500); // a STUN request goes out at once when allowed
    QCOMPARE(datagrams, 0);
}

int main(int argc, char** argv)
{
    FlashLockdownTest t;
    return runFlashTests(&t, argc, argv);
}

#include "flash_lockdown_test.moc"
