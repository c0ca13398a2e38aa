// The media device on both engines (mpv; FluidSynth for "Sequencer") as the
// program drives it, under a user engine configuration it must not read: the
// verbs once per engine, the end of a cut file on each, files that open
// nothing. The transport rules are tst_device_rules.
#include "TestMedia.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

class TstDevice : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString write(const QString& name, const QByteArray& bytes) { return writeFile(dir_.path(), name, bytes); }

private slots:
    void initTestCase()
    {
        // A canary engine configuration for the whole run, that would mute and start halfway.
        QVERIFY(QDir(dir_.path()).mkpath(".config/mpv")
                && !write(".config/mpv/mpv.conf", "mute=yes\nstart=50%").isEmpty());
        qputenv("HOME", dir_.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void verbsMuteAndStatus_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");  // 2.5 s
        QTest::newRow("mpv") << "WAVEAudio" << makeWav(dir_.path(), "long.wav", 2.5);
        QTest::newRow("fluidsynth") << "Sequencer" << write("long.mid", midiBytes(3));
    }

    void verbsMuteAndStatus()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        DeviceHarness h;
        h.device->put(dispid::mci::Mute, true);  // set with nothing open
        h.open(type, path);
        QCOMPARE(h.length(), 2500);
        h.command("play");  // from the start, whatever the configuration
        QVERIFY(QTest::qWaitFor([&] { return h.position() >= 500; }, 3000) && h.position() < 1000);
        QVERIFY(h.device->engineMuted());
        h.command("stop");  // halts where it is; "play" goes on from there
        QTest::qWait(300);
        const int stoppedAt = h.position();
        QTest::qWait(300);
        QCOMPARE(h.position(), stoppedAt);
        h.command("play");
        QVERIFY(QTest::qWaitFor([&] { return h.position() > stoppedAt + 150; }, 3000));
        h.command("next");  // the end at once; "play" then plays from the start to the end
        QVERIFY(h.waitForCompletions(1, 2000));
        h.command("play");
        QVERIFY(h.position() < 500 && h.waitForCompletions(2, 5000));
        QTest::qWait(300);
        QCOMPARE(h.completions, decltype(h.completions)(2, {2500, 2500}));
        h.command("close");  // no status updates once closed; again while open
        const int seen = h.statusUpdates;
        QTest::qWait(400);
        QCOMPARE(h.statusUpdates, seen);
        h.open(type, path);
        QVERIFY(QTest::qWaitFor([&] { return h.statusUpdates >= seen + 3; }, 2000));
        QVERIFY(h.device->engineMuted());  // the mute held, and lifts in the engine
        h.device->put(dispid::mci::Mute, false);
        QVERIFY(QTest::qWaitFor([&] { return !h.device->engineMuted(); }, 3000));
    }

    void endsOnceOrOpensNothing_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("refused");  // 0: must play to its end, 1: may be refused at open, 2: must be
        // An MPEG-1 stream plays past its probed length. The end of short and
        // damaged clips of every sampled kind is measured by bench/device/sweep.sh.
        QTest::newRow("mpg") << "MPEGVideo"
                             << makeMedia(dir_.path(), "a.mpg",
                                          lavfi("testsrc=rate=25", 1) + lavfi("sine=frequency=440", 1)
                                                  + QStringList{"-c:v", "mpeg1video", "-f", "mpeg"})
                             << 0;
        QFile wav(makeWav(dir_.path()));
        QVERIFY(wav.open(QIODevice::ReadOnly) && ::mkfifo(qPrintable(dir_.filePath("pipe.wav")), 0600) == 0);
        QTest::newRow("cut.wav") << "WAVEAudio" << write("cut.wav", wav.read(wav.size() * 2 / 3)) << 1;
        // A MIDI file cut inside its track plays what it has.
        QTest::newRow("cut.mid") << "Sequencer" << write("cut.mid", midiBytes().chopped(6)) << 0;
        for (const QString& path : {dir_.filePath("missing.avi"), dir_.filePath("pipe.wav"), write("empty.wav", {})})
            for (const char* type : {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2", "Sequencer"})
                QTest::newRow(qPrintable(path.section('/', -1) + " " + type)) << type << path << 2;
    }

    // One completion, at the length, the position never going back on the
    // way; a damaged file may be refused instead, and then nothing happens.
    void endsOnceOrOpensNothing()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        QFETCH(int, refused);
        DeviceHarness h({"null", QString()});  // the own video output, without OpenGL: no window
        h.open(type, path);
        if ((refused && !h.device->isOpen()) || refused == 2) {
            h.command("play");
            h.command("next");
            QTest::qWait(150);
            QVERIFY(!h.device->isOpen() && h.length() == 0 && h.position() == 0 && h.statusUpdates == 0);
            QCOMPARE(h.completions.size(), 0);
            return;
        }
        const int length = h.length();
        QVERIFY(length > 0 && !h.device->videoWindow());
        h.command("play");
        int last = 0, back = 0;
        const auto ended = [&] {
            return back = std::max(back, last - h.position()), last = h.position(), !h.completions.isEmpty();
        };
        QVERIFY(QTest::qWaitFor(ended, length + 1000));
        QTest::qWait(300);  // nothing more may come
        QCOMPARE(h.completions, decltype(h.completions)({{length, length}}));
        QCOMPARE(back, 0);
    }
};

QTEST_MAIN(TstDevice)
#include "tst_device.moc"
