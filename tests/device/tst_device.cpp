// The media device on both engines (mpv; FluidSynth for "Sequencer") as the
// program drives it, under a user engine configuration it must not read: the
// verbs once per engine, the end of short and damaged files of each sampled
// kind, files that open nothing. The transport rules are tst_device_rules.
#include "TestMedia.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

using Completions = QList<QPair<int, int>>;

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
        QCOMPARE(h.completions, Completions(2, {2500, 2500}));
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

    void everyFileEndsOnce_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("refused");  // 0: must play to its end, 1: may be refused at open, 2: must be
        const char* kinds[][3] = {{"WAVEAudio", "wav", ""},
                                  {"MPEGVideo", "mp3", "-c:a libmp3lame"},
                                  {"MPEGVideo2", "wmv", "-c:v wmv2 -c:a wmav2"},
                                  {"AVIVideo", "avi", "-c:v mpeg4 -c:a pcm_s16le"},
                                  {"MPEGVideo", "mov", "-c:v mpeg4 -c:a aac"},
                                  {"MPEGVideo", "mpg", "-c:v mpeg1video -f mpeg"}};  // plays past its probed length
        for (const auto& [type, ext, codecs] : kinds) {
            const QStringList args = QString(codecs).split(' ', Qt::SkipEmptyParts);
            QString name;
            for (double s : {0.001, 0.04, 0.12, 1.0}) {
                const QStringList sine = lavfi("sine=frequency=440", s);
                name = QString("%1ms.%2").arg(s * 1000).arg(ext);
                QTest::newRow(qPrintable(name))
                        << type
                        << makeMedia(dir_.path(), name,
                                     (args.contains("-c:v") ? lavfi("testsrc=rate=25", s) + sine : sine) + args)
                        << 0;
            }
            QFile f(dir_.filePath(name));  // of a second: cut, and bytes overwritten
            QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            QTest::newRow(qPrintable(QString("cut.") + ext))
                    << type << write(QString("cut.") + ext, bytes.left(bytes.size() * 2 / 3)) << 1;
            for (int i = 1; i < 12; ++i)
                bytes[bytes.size() * i / 12] = char(bytes[bytes.size() * i / 12] ^ 0x5a);
            QTest::newRow(qPrintable(QString("flipped.") + ext))
                    << type << write(QString("flipped.") + ext, bytes) << 1;
        }
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator(12345).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QFile whole(makeMedia(dir_.path(), "whole.mp4", lavfi("sine=frequency=330", 1) + QStringList{"-c:a", "aac"}));
        QVERIFY(whole.open(QIODevice::ReadOnly) && ::mkfifo(qPrintable(dir_.filePath("pipe.wav")), 0600) == 0);
        const QStringList bad{dir_.filePath("missing.avi"), dir_.filePath("pipe.wav"), write("empty.wav", {}),
                              write("noise.mp3", noise), write("cut.mp4", whole.read(whole.size() / 2))};
        // A MIDI file cut inside its track plays what it has.
        QTest::newRow("cut.mid") << "Sequencer" << write("cut.mid", midiBytes().chopped(6)) << 0;
        for (const QString& path : bad)
            for (const char* type : {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2", "Sequencer"})
                QTest::newRow(qPrintable(path.section('/', -1) + " " + type)) << type << path << 2;
    }

    // One completion, at the length, within a second past it, the position
    // never going back on the way; a damaged file may be refused instead.
    void everyFileEndsOnce()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        QFETCH(int, refused);
        DeviceHarness h({"null", QString()});  // the own video output, without OpenGL: no window
        h.open(type, path);
        if ((refused && !h.device->isOpen()) || refused == 2) {  // and then nothing happens
            h.command("play");
            h.command("next");
            QTest::qWait(150);
            QVERIFY(!h.device->isOpen() && h.length() == 0 && h.position() == 0 && h.statusUpdates == 0);
            QCOMPARE(h.completions.size(), 0);
            return;
        }
        const int length = h.length();
        QVERIFY(length > 0 && !h.device->videoWindow());
        QElapsedTimer played;
        played.start();
        h.command("play");
        int last = 0, back = 0;
        const auto ended = [&] {
            return back = std::max(back, last - h.position()), last = h.position(), !h.completions.isEmpty();
        };
        QVERIFY(QTest::qWaitFor(ended, length + 1000) && played.elapsed() <= length + 1000);
        QTest::qWait(300);  // nothing more may come
        QCOMPARE(h.completions, Completions({{length, length}}));
        QCOMPARE(back, 0);
    }
};

QTEST_MAIN(TstDevice)
#include "tst_device.moc"
