// The media device on FluidSynth ("Sequencer"): MIDI and RMID files play in
// real time to completion, mute reaches the synth, bad files open nothing.
#include "DeviceHarness.h"
#include "TestMedia.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstDeviceMidi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        mid_ = writeFile(dir_.path(), "song.mid", midiBytes(2));
        rmi_ = writeFile(dir_.path(), "song.rmi", rmidBytes(midiBytes(2)));
        QVERIFY(!mid_.isEmpty() && !rmi_.isEmpty());
    }

    void midiAndRmidCompleteOnceAtTheirLength()
    {
        const QString midi = writeFile(dir_.path(), "song.midi", midiBytes(2));
        for (const QString& path : {mid_, rmi_, midi}) {
            DeviceHarness h;
            h.open("Sequencer", path);
            QCOMPARE(h.length(), 1500);  // 500 ms at 120 bpm, 1000 ms at 60 bpm
            QCOMPARE(h.device->engineName(), QStringLiteral("fluidsynth"));
            h.command("play");
            // Real-time pace: not done early.
            h.spin(900);
            QCOMPARE(h.completions.size(), 0);
            QVERIFY(h.position() >= 500 && h.position() < 1500);
            QVERIFY(h.waitForCompletions(1, 4000));
            h.spin(600);
            QCOMPARE(h.completions.size(), 1);
            QCOMPARE(h.completions[0].position, 1500);
            QCOMPARE(h.completions[0].length, 1500);
        }
    }

    void transportOnMidi()
    {
        DeviceHarness h;
        h.open("Sequencer", mid_);
        h.command("play");
        QVERIFY(h.waitForPosition(300, 3000));
        h.command("stop");
        const int stoppedAt = h.position();
        h.spin(300);
        QCOMPARE(h.position(), stoppedAt);
        h.command("play");
        QVERIFY(h.waitFor([&] { return h.position() > stoppedAt + 100; }, 3000));
        QVERIFY(h.position() < stoppedAt + 1000);
        // "next" completes at once; "prev" and "play" play it all again.
        h.command("next");
        QCOMPARE(h.position(), 1500);
        QVERIFY(h.waitForCompletions(1, 1000));
        h.command("prev");
        QCOMPARE(h.position(), 0);
        h.command("play");
        QVERIFY(h.waitForPosition(100, 3000));
        QVERIFY(h.position() < 1000);
        QVERIFY(h.waitForCompletions(2, 4000));
        QCOMPARE(h.completions[1].position, 1500);
        // "play" after completion starts from the start.
        h.command("play");
        QVERIFY(h.position() < 500);
        QVERIFY(h.waitForCompletions(3, 4000));
        QCOMPARE(h.completions.size(), 3);
    }

    void stepMovesFiveSecondsAndBackToStart()
    {
        // 12 beats: 500 + 11 * 1000 ms.
        const QString path = writeFile(dir_.path(), "long.mid", midiBytes(12));
        DeviceHarness h;
        h.open("Sequencer", path);
        QCOMPARE(h.length(), 11500);
        h.command("step");
        QCOMPARE(h.position(), 5000);
        h.command("play");
        QVERIFY(h.waitForPosition(5200, 3000));
        QVERIFY(h.position() < 6500);
        h.command("back");
        QVERIFY(h.position() < 1500);
        h.command("step");
        h.command("step");
        h.command("step");  // past the end: completion
        QVERIFY(h.waitForCompletions(1, 1000));
        QCOMPARE(h.completions[0].position, 11500);
    }

    void muteReachesTheSynthAndHoldsAcrossOpen()
    {
        DeviceHarness h;
        h.device->put(dispid::mci::Mute, true);
        h.open("Sequencer", mid_);
        QVERIFY(h.device->engineMuted());
        h.command("close");
        h.open("Sequencer", rmi_);
        QVERIFY(h.device->engineMuted());
        QCOMPARE(h.device->get(dispid::mci::Mute), Variant(true));
        h.device->put(dispid::mci::Mute, false);
        QVERIFY(!h.device->engineMuted());
    }

    void badMidiFilesOpenNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("create");
        const QByteArray good = midiBytes(2);
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("truncated") << good.left(good.size() / 2) << true;
        QTest::newRow("random") << QByteArray(4096, '\x5a') << true;
        QTest::newRow("wave") << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << true;
    }

    void badMidiFilesOpenNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, create);
        const QString path = create ? writeFile(dir_.path(), "bad.mid", bytes) : dir_.filePath("none.mid");
        DeviceHarness h;
        h.open("Sequencer", path);
        QCOMPARE(h.length(), 0);
        QVERIFY(!h.device->isOpen());
        h.command("play");
        h.spin(200);
        QCOMPARE(h.position(), 0);
        QCOMPARE(h.statusUpdates, 0);
        QCOMPARE(h.completions.size(), 0);
    }

private:
    QTemporaryDir dir_;
    QString mid_, rmi_;
};

QTEST_MAIN(TstDeviceMidi)
#include "tst_device_midi.moc"
