// The Standard MIDI File reader: validation, total ticks, tempo map and the
// RMID wrap.
#include "TestMedia.h"
#include "media/MidiFile.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

QByteArray track(const QByteArray& events)
{
    QByteArray t("MTrk");
    const quint32 n = quint32(events.size());
    t.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return t + events;
}

QByteArray header(int format, int tracks, int division)
{
    QByteArray h("MThd\0\0\0\x06", 8);
    h.append(char(0)).append(char(format));
    h.append(char(0)).append(char(tracks));
    h.append(char(division >> 8)).append(char(division & 0xff));
    return h;
}

const QByteArray kEnd("\x00\xff\x2f\x00", 4);

} // namespace

class TstMidiReader : public QObject {
    Q_OBJECT
private slots:
    void tempoChangeTimesTheFile()
    {
        const auto f = MidiFile::parse(midiBytes(3));
        QVERIFY(f);
        QCOMPARE(f->trackCount(), 2);
        QCOMPARE(f->totalTicks(), 3 * 480);
        QCOMPARE(f->lengthMs(), 500 + 2 * 1000);
        QCOMPARE(f->tickToMs(240), 250.0);   // 120 bpm before the change
        QCOMPARE(f->tickToMs(720), 1000.0);  // 60 bpm after it
        QCOMPARE(f->msToTick(250), 240);
        QCOMPARE(f->msToTick(1000), 720);
        QCOMPARE(f->msToTick(f->tickToMs(1111)), 1111);
    }

    void defaultTempoAndLongestTrackWithItsEnd()
    {
        // No tempo event: 120 bpm. The second track is longer through the
        // delta of its end-of-track event alone.
        QByteArray t1 = QByteArray("\x00\x90\x40\x40\x60\x80\x40\x00", 8) + kEnd;
        QByteArray t2 = QByteArray("\x00\xc0\x05", 3) + QByteArray("\x81\x40\xff\x2f\x00", 5);  // delta 192
        const auto f = MidiFile::parse(header(1, 2, 96) + track(t1) + track(t2));
        QVERIFY(f);
        QCOMPARE(f->totalTicks(), 192);
        QCOMPARE(f->lengthMs(), 1000);
    }

    void runningStatusAcrossMessageKinds()
    {
        // Note-on with running status, then program changes (one data byte)
        // in running status, then pitch bend.
        QByteArray ev("\x00\x90\x3c\x40\x10\x3e\x40\x10\x3c\x00\x00\xc1\x01\x05\x02\x05\x03\x00\xe0\x00\x40\x05\x10\x40",
                      24);
        const auto f = MidiFile::parse(header(0, 1, 480) + track(ev + kEnd));
        QVERIFY(f);
        QCOMPARE(f->totalTicks(), 16 + 16 + 5 + 5 + 5);
    }

    void rmidUnwrapsToTheSameFile()
    {
        const QByteArray smf = midiBytes(2);
        QCOMPARE(MidiFile::unwrapRmid(rmidBytes(smf)), smf);
        const auto plain = MidiFile::parse(smf);
        const auto wrapped = MidiFile::parse(rmidBytes(smf));
        QVERIFY(plain && wrapped);
        QCOMPARE(wrapped->lengthMs(), plain->lengthMs());
        QCOMPARE(wrapped->smf(), smf);
        // A RIFF file of another kind is not unwrapped, and is no MIDI file.
        QByteArray wave = rmidBytes(smf);
        wave.replace(8, 4, "WAVE");
        QVERIFY(!MidiFile::parse(wave));
    }

    void badFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = midiBytes(2);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("MThd is not enough");
        QTest::newRow("short header") << QByteArray("MThd\0\0\0\x02\0\0", 10);
        QTest::newRow("format 3") << header(3, 1, 480) + track(kEnd);
        QTest::newRow("SMPTE division") << header(0, 1, 0xe728) + track(kEnd);
        QTest::newRow("zero division") << header(0, 1, 0) + track(kEnd);
        QTest::newRow("no track") << header(0, 0, 480);
        QTest::newRow("truncated") << good.left(good.size() - 6);
        QTest::newRow("running status with none set") << header(0, 1, 480) + track(QByteArray("\x00\x3c\x40", 3) + kEnd);
        QTest::newRow("event past chunk end") << header(0, 1, 480) + track(QByteArray("\x00\x90\x3c", 3));
        QTest::newRow("meta past chunk end") << header(0, 1, 480) + track(QByteArray("\x00\xff\x01\x20" "ab", 6));
        QTest::newRow("overlong delta") << header(0, 1, 480) + track(QByteArray("\xff\xff\xff\xff\x00", 5) + kEnd);
        QTest::newRow("zero tempo") << header(0, 1, 480) + track(QByteArray("\x00\xff\x51\x03\x00\x00\x00", 7) + kEnd);
        QTest::newRow("zero length") << header(0, 1, 480) + track(kEnd);
        QTest::newRow("RMID without data") << QByteArray("RIFF\x04\0\0\0RMID", 12);
    }

    void badFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QString why;
        QVERIFY(!MidiFile::parse(bytes, &why));
        QVERIFY(!why.isEmpty());
    }

    void unknownChunksAreSkipped()
    {
        QByteArray alien("XFIH\0\0\0\x03" "abc", 11);
        const auto f = MidiFile::parse(header(0, 1, 480) + alien + track(QByteArray("\x83\x60\xff\x2f\x00", 5)));
        QVERIFY(f);
        QCOMPARE(f->trackCount(), 1);
        QCOMPARE(f->totalTicks(), 480);
    }
};

QTEST_GUILESS_MAIN(TstMidiReader)
#include "tst_device_midi_reader.moc"
