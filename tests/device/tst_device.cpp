// The media device on both engines (mpv; FluidSynth for "Sequencer") driven as
// the program drives it, under a user engine configuration it must not read:
// the verbs once per engine, and the end of short and damaged files of every
// sampled kind. The transport rules themselves are tst_device_rules.
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

private slots:
    void initTestCase()
    {
        // A canary engine configuration for the whole run, that would mute and start halfway.
        QVERIFY(QDir(dir_.path()).mkpath(".config/mpv"));
        QVERIFY(!writeFile(dir_.path() + "/.config/mpv", "mpv.conf", "mute=yes\nstart=50%\n").isEmpty());
        qputenv("HOME", dir_.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void verbsMuteAndStatus_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("path");  // 2.5 s
        QTest::newRow("mpv") << "WAVEAudio" << makeWav(dir_.path(), "long.wav", 2.5);
        QTest::newRow("fluidsynth") << "Sequencer" << writeFile(dir_.path(), "long.mid", midiBytes(3));
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
        h.command("next");  // the end at once; then "play" plays from the start to the end
        QVERIFY(h.waitForCompletions(1, 2000));
        h.command("play");
        QVERIFY(h.position() < 500);
        QVERIFY(h.waitForCompletions(2, 5000));
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
        QTest::addColumn<bool>("damaged");  // may be refused at open
        const struct {
            const char *type, *ext, *codecs;
        } kinds[] = {{"WAVEAudio", "wav", ""},
                     {"MPEGVideo", "mp3", "-c:a libmp3lame"},
                     {"MPEGVideo2", "wmv", "-c:v wmv2 -c:a wmav2"},
                     {"AVIVideo", "avi", "-c:v mpeg4 -c:a pcm_s16le"},
                     {"MPEGVideo", "mov", "-c:v mpeg4 -c:a aac"},
                     {"MPEGVideo", "mpg", "-c:v mpeg1video -f mpeg"}};
        for (const auto& k : kinds) {
            const QStringList codecs = QString(k.codecs).split(' ', Qt::SkipEmptyParts);
            QString whole;
            for (double s : {0.001, 0.04, 0.12, 1.0}) {
                QStringList in = lavfi("sine=frequency=440", s);
                if (codecs.contains("-c:v"))
                    in = lavfi("testsrc=size=160x120:rate=25", s) + in;
                const QString name = QString("%1ms.%2").arg(s * 1000).arg(k.ext);
                QTest::newRow(qPrintable(name)) << k.type << (whole = makeMedia(dir_.path(), name, in + codecs))
                                                << false;
            }
            QFile f(whole);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QByteArray bytes = f.readAll();
            const QString cut = QString("cut.") + k.ext, flipped = QString("flipped.") + k.ext;
            QTest::newRow(qPrintable(cut)) << k.type << writeFile(dir_.path(), cut, bytes.left(bytes.size() * 2 / 3))
                                           << true;
            for (int i = 1; i < 12; ++i)
                bytes[bytes.size() * i / 12] = char(bytes[bytes.size() * i / 12] ^ 0x5a);
            QTest::newRow(qPrintable(flipped)) << k.type << writeFile(dir_.path(), flipped, bytes) << true;
        }
    }

    // One completion, at the length, within a second past it, the position
    // never going back on the way; a damaged file may instead be refused.
    void everyFileEndsOnce()
    {
        QFETCH(QString, type);
        QFETCH(QString, path);
        QFETCH(bool, damaged);
        QVERIFY(!path.isEmpty());
        DeviceHarness h;
        h.open(type, path);
        if (damaged && !h.device->isOpen())
            return;
        const int length = h.length();
        QVERIFY(length > 0);
        QElapsedTimer played;
        played.start();
        h.command("play");
        int last = 0, back = 0;
        QVERIFY(QTest::qWaitFor(
                [&] {
                    back = std::max(back, last - h.position());
                    last = h.position();
                    return !h.completions.isEmpty();
                },
                length + 1000));
        QVERIFY(played.elapsed() <= length + 1000);
        QTest::qWait(300);  // nothing more may come
        QCOMPARE(h.completions, Completions({{length, length}}));
        QCOMPARE(back, 0);
    }

    void badFilesOpenNothing()
    {
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator(12345).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QFile whole(makeMedia(dir_.path(), "whole.mp4", lavfi("sine=frequency=440", 1) + QStringList{"-c:a", "aac"}));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(::mkfifo(QFile::encodeName(dir_.filePath("pipe.wav")).constData(), 0600) == 0);  // reading it blocks
        const QStringList files{dir_.filePath("missing.avi"), dir_.filePath("pipe.wav"),
                                writeFile(dir_.path(), "empty.wav", {}), writeFile(dir_.path(), "noise.mp3", noise),
                                writeFile(dir_.path(), "cut.mp4", whole.read(whole.size() / 2)),
                                writeFile(dir_.path(), "cut.mid", midiBytes().chopped(6))};
        DeviceHarness h;
        for (const QString& path : files) {
            for (const char* type : {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2", "Sequencer"}) {
                h.open(type, path);
                QVERIFY2(!h.device->isOpen(), qPrintable(path + " " + type));
                h.command("play");
                h.command("next");
                QCOMPARE(QPair(h.length(), h.position()), QPair(0, 0));
            }
        }
        QTest::qWait(300);
        QCOMPARE(QPair(int(h.completions.size()), h.statusUpdates), QPair(0, 0));
    }
};

QTEST_MAIN(TstDevice)
#include "tst_device.moc"
