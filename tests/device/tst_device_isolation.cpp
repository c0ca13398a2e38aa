// What the device must never do: reach the network through a playlist, read
// the engine's user configuration, or forget the mute box across files.
#include "DeviceHarness.h"
#include "TestMedia.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstDeviceIsolation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        wav_ = makeWav(dir_.path());
        QVERIFY(!wav_.isEmpty());
    }

    void muteSilencesMpvAndHoldsAcrossOpenAndClose()
    {
        DeviceHarness h;
        h.device->put(dispid::mci::Mute, true);
        h.open("WAVEAudio", wav_);
        h.command("play");
        QVERIFY(h.waitFor([&] { return h.device->engineMuted(); }, 3000));
        h.command("close");
        h.open("MPEGVideo", wav_);
        h.spin(300);
        QVERIFY(h.device->engineMuted());
        QCOMPARE(h.device->get(dispid::mci::Mute), Variant(true));
        h.device->put(dispid::mci::Mute, false);
        QVERIFY(h.waitFor([&] { return !h.device->engineMuted(); }, 3000));
        // A mute set while nothing is open holds for the next file.
        h.command("close");
        h.device->put(dispid::mci::Mute, true);
        h.open("WAVEAudio", wav_);
        QVERIFY(h.waitFor([&] { return h.device->engineMuted(); }, 3000));
    }

    void playlistOfLoopbackUrlsMakesNoConnection_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("body");
        QTest::newRow("plain m3u") << "MPEGVideo" << "list.m3u" << "#EXTM3U\n%1/a.mp3\n%1/b.mp3\n";
        QTest::newRow("live-stream m3u8") << "MPEGVideo" << "live.m3u"
                                          << "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n%1/seg0.ts\n#EXT-X-ENDLIST\n";
        QTest::newRow("asx") << "MPEGVideo2" << "list.asx" << "<asx version=\"3.0\"><entry><ref href=\"%1/a.wma\"/></entry></asx>";
        QTest::newRow("pls") << "MPEGVideo" << "list.mp3" << "[playlist]\nFile1=%1/a.mp3\nNumberOfEntries=1\n";
    }

    void playlistOfLoopbackUrlsMakesNoConnection()
    {
        QFETCH(QString, type);
        QFETCH(QString, name);
        QFETCH(QString, body);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
        const QString path = writeFile(dir_.path(), name, body.arg(base).toUtf8());

        DeviceHarness h;
        h.open(type, path);
        h.command("play");
        h.spin(1500);
        QVERIFY(!server.hasPendingConnections());
        QVERIFY(!server.waitForNewConnection(200));
        QCOMPARE(h.length(), 0);
    }

    void userConfigurationOfTheEngineIsIgnored()
    {
        // A canary configuration that would mute, start halfway and play
        // four times as fast, if it were read.
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(".config/mpv"));
        const QByteArray conf("mute=yes\nstart=50%\nspeed=4\n");
        QVERIFY(!writeFile(home.path() + "/.config/mpv", "mpv.conf", conf).isEmpty());
        QVERIFY(!writeFile(home.path() + "/.config/mpv", "config", conf).isEmpty());
        const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());

        DeviceHarness h;
        h.open("WAVEAudio", makeWav(dir_.path(), "canary.wav", 2.0));
        h.command("play");
        QVERIFY(h.waitForPosition(1, 3000));
        QVERIFY2(h.position() < 700, qPrintable(QString::number(h.position())));
        h.spin(400);
        QVERIFY(!h.device->engineMuted());
        QVERIFY(h.position() < 1500);  // real-time pace, not four times that
        QCOMPARE(h.completions.size(), 0);

        qputenv("HOME", oldHome);
        if (oldXdg.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldXdg);
    }

private:
    QTemporaryDir dir_;
    QString wav_;
};

QTEST_MAIN(TstDeviceIsolation)
#include "tst_device_isolation.moc"
