// MIDI files as other programs write them: what the reader makes of each, and the device opens and plays.
#include "media/midi/MidiFile.h"
#include "TestMedia.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

QByteArray be32(qsizetype n) { return QByteArray::fromHex(QByteArray::number(quint32(n), 16).rightJustified(8, '0')); }
QByteArray chunk(const char* id, const QByteArray& b, qsizetype n = -1) { return id + be32(n < 0 ? b.size() : n) + b; }
// 500 ticks a beat, so a tick is 1 ms at the default 120 bpm.
QByteArray smf(int format, const QByteArrayList& chunks)
{
    return "MThd" + be32(6) + QByteArray::fromHex("000" + QByteArray::number(format) + "000101f4") + chunks.join();
}
QByteArray trk(const char* hex) { return chunk("MTrk", QByteArray::fromHex(hex)); }

}  // namespace

class TstMidi : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void readsLeniently_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lengthMs");  // -1: refused
        const auto row = [](const char* tag, const QByteArray& bytes, int ms) { QTest::newRow(tag) << bytes << ms; };
        const QByteArray plain = trk("00903c40 8768803c00 00ff2f00");
        row("plain", smf(0, {plain}), 1000);
        row("unknown chunks skipped by length",
            smf(1, {chunk("XFIH", QByteArray("MTrk\0\0", 6)), plain, chunk("\x01\x02\x03\x04", "")}), 1000);
        // A wrong count of data bytes would read a 7f as a 127-tick delta.
        row("system bytes and their data skipped",
            smf(0, {trk("00903c40 00f27f7f 00f17f 00f37f 00f8 00fe 00f4 00f6 8768803c00 00ff2f00")}), 1000);
        row("running status across meta and sysex",
            smf(0, {trk("00903c40 00ff010141 8368 3c00 00f0027ef7 8400 3c00 00ff2f00")}), 1000);
        row("track cut short by the file",
            smf(0, {chunk("MTrk", QByteArray::fromHex("00903c40 8768803c00 8360903e"), 100)}), 1000);
        row("track cut at a malformed event", smf(0, {trk("00903c40 8768803c00 83609080 40 00ff2f00")}), 1000);
        // Tempo in one track rules all; format 2: one track after another, each from the default tempo.
        row("format 1, tempo map in its own track", smf(1, {trk("00ff51030f4240 00ff2f00"), plain}), 2000);
        row("format 2 in sequence", smf(2, {trk("00ff51030f4240 00903c40 8374803c00 00ff2f00"), plain}), 2000);
        // No note: silence for the length, as other players play them.
        row("tempo and end only", smf(0, {trk("00ff51030f4240 8768ff2f00")}), 2000);
        row("text event, end later", smf(0, {trk("00ff01044d494449 8b20ff2f00")}), 1440);
        row("GM System On only", smf(0, {trk("00f0057e7f0901f7 00ff2f00")}), 0);
        row("no track", smf(0, {}), -1);
        row("data byte with no running status", smf(0, {trk("003c40 8768803c00 00ff2f00")}), -1);
    }

    // The reading, the clean file written from it read again, and the device
    // opening and playing it to one completion, never before its end: one length.
    void readsLeniently()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lengthMs);
        const auto midi = MidiFile::parse(bytes);
        QCOMPARE(midi ? int(midi->lengthMs()) : -1, lengthMs);
        if (midi) {
            const auto clean = MidiFile::parse(midi->writeSmf());
            QVERIFY(clean && clean->lengthMs() == lengthMs && clean->eventCount() == midi->eventCount());
        }
        DeviceHarness h;
        h.open("Sequencer", writeFile(dir_.path(), QString::fromLatin1(QTest::currentDataTag()) + ".mid", bytes));
        QCOMPARE(h.device->isOpen() ? h.length() : -1, lengthMs);
        if (lengthMs < 0)
            return;
        QElapsedTimer played;
        played.start();
        h.command("play");
        QVERIFY(h.waitForCompletions(1, lengthMs + 5000));
        QVERIFY2(played.elapsed() >= lengthMs - 100, qPrintable(QString::number(played.elapsed())));
        QCOMPARE(h.completions.first(), qMakePair(lengthMs, lengthMs));
        QTest::qWait(300);
        QCOMPARE(h.completions.size(), 1);
    }

    // Taken to its end with "next", played again and stopped while it
    // sounds (each step replaces or drops a player and its audio driver,
    // now deleted aside): the file opens again at once, plays to a single
    // completion, and closing twice in a row is harmless.
    void nextPlayStopThenOpenAgain()
    {
        const QString path = writeFile(dir_.path(), "again.mid", midiBytes(2));
        DeviceHarness h;
        for (int round = 0; round < 2; ++round) {
            h.open("Sequencer", path);
            QCOMPARE(h.length(), 1500);
            h.command("play");
            QTest::qWait(150);
            h.command("next");
            QVERIFY(h.waitForCompletions(2 * round + 1, 1000));
            h.command("play");
            QTest::qWait(150);
            h.command("close");
            h.command("close");
            QCOMPARE(h.position(), 0);
            h.open("Sequencer", path);
            h.command("play");
            QVERIFY(h.waitForCompletions(2 * round + 2, 1500 + 5000));
            QCOMPARE(h.completions.last(), qMakePair(1500, 1500));
            h.command("close");
        }
        QTest::qWait(200);
        QCOMPARE(h.completions.size(), 4);
    }
};

QTEST_MAIN(TstMidi)
#include "tst_midi.moc"
