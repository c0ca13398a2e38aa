// The media device on both engines (mpv; FluidSynth for "Sequencer") driven as
// the program drives it, under a user engine configuration it must not read.
#include "DeviceHarness.h"
#include "media/MidiFile.h"
#include "TestMedia.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

class TstDevice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A canary engine configuration for the whole run, that would mute and start halfway.
        QVERIFY(QDir(dir_.path()).mkpath(".config/mpv"));
        QVERIFY(!writeFile(dir_.path() + "/.config/mpv", "mpv.conf", "mute=yes\nstart=50%\n").isEmpty());
        qputenv("HOME", dir_.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        long_ = makeWav(dir_.path(), "long.wav", 2.5);
        QVERIFY(!long_.isEmpty());
    }

    void completesOnceAtLength_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");  // 0.6 s asked of ffmpeg; MIDI: 500 ms at 120 bpm, 1000 at 60
        const QStringList a{"-f", "lavfi", "-i", "sine=frequency=500:duration=0.6"};
        const QStringList v{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.6"};
        const QStringList av = v + a + QStringList{"-shortest"};
        const auto make = [&](const char* name, const QStringList& args) { return makeMedia(dir_.path(), name, args); };
        QTest::newRow("video only") << "AVIVideo" << make("v.avi", v + QStringList{"-c:v", "mpeg4"});
        QTest::newRow("mpg") << "MPEGVideo" << make("a.mpg", av + QStringList{"-c:v", "mpeg1video", "-f", "mpeg"});
        QTest::newRow("m1v (raw)") << "MPEGVideo"
                                   << make("a.m1v", v + QStringList{"-c:v", "mpeg1video", "-f", "mpeg1video"});
        QTest::newRow("mp3") << "MPEGVideo" << make("a.mp3", a + QStringList{"-c:a", "libmp3lame"});
        QTest::newRow("wmv") << "MPEGVideo2" << make("a.wmv", av + QStringList{"-c:v", "wmv2", "-c:a", "wmav2"});
        QTest::newRow("rmi") << "Sequencer" << writeFile(dir_.path(), "a.rmi", rmidBytes(midiBytes(2)));
    }

    void completesOnceAtLength()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        QVERIFY(!path.isEmpty());
        // The program's own video output on a platform without OpenGL: no window.
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open(type, path);
        const int length = h.length();
        QVERIFY2(type == "Sequencer" ? length == 1500 : length >= 550 && length < 800,
                 qPrintable(QString::number(length)));
        QVERIFY(!h.device->videoWindow());
        h.command("play");
        h.spin(length / 2);
        QCOMPARE(h.completions.size(), 0);  // real time, not done early
        QVERIFY(h.waitForCompletions(1, 6000));
        QVERIFY(!h.device->engineMuted());
        h.spin(500);  // nothing more may come
        QCOMPARE(h.completions, (QList<QPair<int, int>>{{length, length}}));
    }

    void transportOpensMuteAndStatus_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");   // 2.5 s
        QTest::addColumn<QString>("other");  // a shorter file for the same engine
        QTest::newRow("mpv") << "WAVEAudio" << long_ << makeAvi(dir_.path());
        QTest::newRow("fluidsynth") << "Sequencer" << writeFile(dir_.path(), "long.mid", midiBytes(3))
                                    << writeFile(dir_.path(), "b.mid", midiBytes(2));
    }

    void transportOpensMuteAndStatus()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        QFETCH(QString, other);
        DeviceHarness h;
        h.device->put(dispid::mci::Mute, true);  // set with nothing open
        h.open(type, path);
        const int length = h.length();
        // "stop" halts where it is, "play" goes on from there.
        h.command("play");
        QVERIFY(h.waitForPosition(500, 3000) && h.position() < 1000);  // from the start, whatever the configuration
        QVERIFY(h.device->engineMuted());
        h.command("stop");
        h.spin(300);
        const int stoppedAt = h.position();
        h.spin(300);
        QCOMPARE(h.position(), stoppedAt);
        h.command("play");
        QVERIFY(h.waitFor([&] { return h.position() > stoppedAt + 150; }, 3000));
        QVERIFY(h.position() < stoppedAt + 1000);
        // "next" completes at once; the engine's own end adds nothing.
        h.command("next");
        QCOMPARE(h.position(), length);
        QVERIFY(h.waitForCompletions(1, 2000));
        h.spin(500);
        QCOMPARE(h.completions, (QList<QPair<int, int>>{{length, length}}));
        // "play" at the end plays again from the start, to its end.
        h.command("play");
        QVERIFY(h.position() < length / 2);
        QVERIFY(h.waitForCompletions(2, 5000));
        QCOMPARE(h.completions, (QList<QPair<int, int>>(2, {length, length})));
        h.command("prev");
        QCOMPARE(h.position(), 0);
        // Opened over a playing, then a paused file: at its start, still until "play".
        for (const char* verb : {"play", "pause"}) {
            h.command("play");
            QVERIFY(h.waitForPosition(200, 3000));
            h.command(verb);
            h.open(type, other);
            h.spin(400);
            QCOMPARE(h.position(), 0);
        }
        const int otherLength = h.length();
        QVERIFY(otherLength > 0 && otherLength < length - 500);
        h.command("play");
        QVERIFY(h.waitForCompletions(3, 4000));
        h.spin(300);
        QCOMPARE(h.completions.mid(2), (QList<QPair<int, int>>{{otherLength, otherLength}}));
        // No status updates once closed; they come again while open and paused.
        h.command("close");
        const int seen = h.statusUpdates;
        h.spin(400);
        QCOMPARE(h.statusUpdates, seen);
        h.open(type, path);
        h.spin(600);
        QVERIFY2(h.statusUpdates >= seen + 3, qPrintable(QString::number(h.statusUpdates - seen)));
        // The mute held across all of that, and lifts in the engine.
        QVERIFY(h.device->engineMuted());
        h.device->put(dispid::mci::Mute, false);
        QVERIFY(h.waitFor([&] { return !h.device->engineMuted(); }, 3000));
    }

    void badFilesOpenNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator(12345).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QFile whole(makeMedia(dir_.path(), "whole.mp4", {"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "aac"}));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray mid = midiBytes(2);
        // In the MIDI file: format at byte 8, division at 12, track 2's first status at 50.
        const auto patched = [&](int at, const QByteArray& b) { return QByteArray(mid).replace(at, b.size(), b); };
        QTest::newRow("missing") << "missing.avi" << QByteArray();
        QTest::newRow("named pipe") << "pipe.wav" << QByteArray();  // reading it would block
        QTest::newRow("empty") << "empty.wav" << QByteArray();
        QTest::newRow("random bytes") << "noise.mp3" << noise;
        QTest::newRow("mp4 without its index") << "cut.mp4" << whole.read(whole.size() / 2);
        QTest::newRow("mid of format 3") << "f3.mid" << patched(8, QByteArray("\0\3", 2));
        QTest::newRow("mid timed in SMPTE frames") << "smpte.mid" << patched(12, "\xe7\x28");
        QTest::newRow("mid, running status with none set") << "rs.mid" << patched(50, "\x3c");
    }

    void badFilesOpenNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = dir_.filePath(name);
        if (name == QLatin1String("pipe.wav"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (name != QLatin1String("missing.avi"))
            QVERIFY(!writeFile(dir_.path(), name, bytes).isEmpty());
        if (name.endsWith(QLatin1String(".mid")))
            QVERIFY(!MidiFile::parse(bytes));
        DeviceHarness h;
        for (const char* type : {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2", "Sequencer"}) {
            h.open(type, path);
            QVERIFY2(!h.device->isOpen(), type);
            QCOMPARE(h.length(), 0);
            h.command("play");
            h.command("next");
            QCOMPARE(h.position(), 0);
        }
        h.spin(300);
        QCOMPARE(h.completions.size(), 0);
        QCOMPARE(h.statusUpdates, 0);
    }

    void midiReaderTimesByTheTempoMap()
    {
        const auto f = MidiFile::parse(midiBytes(3));
        QVERIFY(f && f->lengthMs() == 2500);
        QCOMPARE(QPair(qRound(f->tickToMs(240)), qRound(f->tickToMs(720))), QPair(250, 1000));  // 120 bpm, then 60
        QCOMPARE(f->msToTick(f->tickToMs(1111)), 1111);
    }

private:
    QTemporaryDir dir_;
    QString long_;
};

QTEST_MAIN(TstDevice)
#include "tst_device.moc"
