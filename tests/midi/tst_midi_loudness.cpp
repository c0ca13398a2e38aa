// How loud MIDI plays: files rendered offline with the player's synth and its
// way out to the sound device, measured as EBU R 128 loudness and true peak.
#include "media/midi/MidiFile.h"
#include "media/midi/SynthOutput.h"
#include "media/midi/SynthSetup.h"
#include "TestFiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fluidsynth.h>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kBeat = 480;
constexpr int kBlock = 512;
constexpr int kTailFrames = 44100;  // the release and reverb after the last note
constexpr int kFrameRate = 44100;

QByteArray bytes(auto... b) { return QByteArrayView(std::array{char(b)...}).toByteArray(); }

// A key on channel ch from tick on to tick off.
void note(QList<MidiEvent>& e, int ch, int key, int velocity, int on, int off)
{
    e << MidiEvent{on, bytes(0x90 | ch, key, velocity)} << MidiEvent{off, bytes(0x80 | ch, key, 0)};
}

// Every General MIDI program in turn on channel 1: four notes up a chord,
// then the chord held, at a moderately loud velocity.
QByteArray programsInTurn()
{
    constexpr int kVelocity = 100, kStep = kBeat / 2, kEach = 3 * kBeat, kGap = 20;
    constexpr std::array kUp{60, 64, 67, 72};
    QList<MidiEvent> e;
    for (int program = 0; program < 128; ++program) {
        const int t = program * kEach;
        e.append({t, bytes(0xc0, program)});
        for (int i = 0; i < int(kUp.size()); ++i)
            note(e, 0, kUp[i], kVelocity, t + i * kStep, t + (i + 1) * kStep - kGap);
        for (int key : {60, 64, 67})
            note(e, 0, key, kVelocity, t + 2 * kBeat, t + 3 * kBeat - kGap);
    }
    return midiFile(e);
}

// Fifteen melodic channels at full volume each striking a four-note chord
// at full velocity every beat, and six drums on channel 10: 66 notes at once.
QByteArray dense()
{
    constexpr int kBeats = 20;
    QList<MidiEvent> e;
    for (int c = 0; c < 16; ++c) {
        e << MidiEvent{0, bytes(0xb0 | c, 7, 127)} << MidiEvent{0, bytes(0xb0 | c, 11, 127)};
        if (c != 9)  // the drums keep their kit
            e.append({0, bytes(0xc0 | c, c * 8 + 1)});
    }
    for (int beat = 0; beat < kBeats; ++beat) {
        const int t = beat * kBeat;
        for (int key : {35, 36, 38, 42, 49, 57})
            note(e, 9, key, 127, t, t + kBeat / 2);
        for (int c = 0; c < 16; ++c)
            for (int step : {0, 4, 7, 11})
                if (c != 9)  // the drums' channel
                    note(e, c, 36 + (c % 4) * 12 + (beat % 4) * 2 + step, 127, t, t + kBeat - 20);
    }
    return midiFile(e);
}

struct Rendered {
    bool ok = false;
    float peak = 0;           // the largest sample
    float peakMuted = 0;      // from the block after the mute on
    float peakBefore = 0;     // in the block before the mute
    double lufs = NAN;        // the integrated loudness
    double truePeakDb = NAN;  // and the true peak of the meter's summary
};

// The file as the player has it (the clean file from our reading), rendered
// through the player's synth and output from start to end and a tail, into
// ffmpeg's EBU R 128 meter; muteAt (a frame) mutes there as the mute box does.
Rendered render(const QByteArray& file, qint64 muteAt = -1)
{
    const auto midi = MidiFile::parse(file);
    const synthsetup::Synth s = synthsetup::makeSynth();
    QProcess meter;
    meter.start("ffmpeg",
                {"-hide_banner", "-nostats", "-f", "f32le", "-ar", QString::number(kFrameRate), "-ac", "2", "-i",
                 "pipe:0", "-af", "ebur128=peak=true", "-f", "null", "-"});
    if (!midi || !s.synth || !meter.waitForStarted())
        return {};
    const QByteArray smf = midi->writeSmf();
    fluid_player_t* player = new_fluid_player(s.synth);
    fluid_player_add_mem(player, smf.constData(), size_t(smf.size()));
    fluid_player_play(player);
    SynthOutput output(s.synth);
    std::array<float, kBlock> left{}, right{};
    std::array<float, 2 * kBlock> frames{};
    Rendered r{true};
    for (qint64 at = 0, tail = 0; tail < kTailFrames; at += kBlock) {
        if (at == muteAt) {
            fluid_synth_set_gain(s.synth, 0.0f);  // as FluidDriver::setMuted()
            output.setMuted(true);
        }
        output.render(left.data(), right.data(), kBlock);
        for (int i = 0; i < kBlock; ++i)
            std::tie(frames[2 * i], frames[2 * i + 1]) = std::pair(left[i], right[i]);
        const float peak = std::abs(std::ranges::max(frames, {}, [](float x) { return std::abs(x); }));
        r.peak = std::max(r.peak, peak);
        r.peakBefore = at + kBlock == muteAt ? peak : r.peakBefore;
        r.peakMuted = muteAt >= 0 && at > muteAt ? std::max(r.peakMuted, peak) : r.peakMuted;
        meter.write(reinterpret_cast<const char*>(frames.data()), qint64(sizeof(frames)));
        r.ok = r.ok && meter.waitForBytesWritten();  // and the meter's log read meanwhile
        tail += fluid_player_get_status(player) == FLUID_PLAYER_DONE ? kBlock : 0;
    }
    delete_fluid_player(player);
    synthsetup::deleteSynth(s);
    meter.closeWriteChannel();
    r.ok = r.ok && meter.waitForFinished(120000);
    const QString log = QString::fromUtf8(meter.readAllStandardError());
    const auto m = QRegularExpression(R"(I:\s+(-?[\d.]+) LUFS[\s\S]*True peak:\s+Peak:\s+(-?[\d.]+) dBFS)")
                           .match(log, log.lastIndexOf("Summary:"));
    r.lufs = m.hasMatch() ? m.captured(1).toDouble() : NAN;
    r.truePeakDb = m.hasMatch() ? m.captured(2).toDouble() : NAN;
    return r;
}

}  // namespace

class TstMidiLoudness : public QObject {
    Q_OBJECT
private slots:
    void loudness_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("minLufs");
        QTest::addColumn<double>("maxLufs");
        // As loud as other media (a tone of the test set-up's .wav files is -21.8 LUFS).
        QTest::newRow("every program in turn") << programsInTurn() << -23.0 << -18.0;
        // Loud by its own making; what matters is that it does not clip.
        QTest::newRow("dense") << dense() << -23.0 << 0.0;
    }

    // No sample above the output's ceiling, the true peak at most -1 dBFS.
    void loudness()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, minLufs);
        QFETCH(double, maxLufs);
        const Rendered r = render(file);
        QVERIFY(r.ok);
        QVERIFY2(r.peak <= synthsetup::kCeiling, qPrintable(QString::number(r.peak)));
        qInfo("%s: %.1f LUFS integrated, true peak %.1f dBFS, sample peak %.2f dBFS", QTest::currentDataTag(), r.lufs,
              r.truePeakDb, 20 * std::log10(r.peak));
        QVERIFY2(r.lufs >= minLufs && r.lufs <= maxLufs, qPrintable(QString::number(r.lufs)));
        QVERIFY2(r.truePeakDb <= -1.0, qPrintable(QString::number(r.truePeakDb)));
    }

    // Muted in the middle of the dense file: nothing at all from the next
    // block on, not even the reverb's tail.
    void muteSilencesAtOnce()
    {
        constexpr qint64 kMuteAt = 100 * kBlock;  // over a second in, the chords sounding
        const Rendered r = render(dense(), kMuteAt);
        QVERIFY(r.ok);
        QVERIFY2(r.peakBefore > 0.1f, qPrintable(QString::number(r.peakBefore)));
        QCOMPARE(r.peakMuted, 0.0f);
    }
};

QTEST_GUILESS_MAIN(TstMidiLoudness)
#include "tst_midi_loudness.moc"
