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
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kBeat = 480;
constexpr int kBlock = 512;
constexpr int kTailFrames = 44100;  // the release and reverb after the last note
constexpr int kFrameRate = 44100;

QByteArray bytes(std::initializer_list<int> b)
{
    QByteArray out;
    for (int x : b)
        out.append(char(x));
    return out;
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
        e.append({t, bytes({0xc0, program})});
        for (int i = 0; i < int(kUp.size()); ++i) {
            e.append({t + i * kStep, bytes({0x90, kUp[i], kVelocity})});
            e.append({t + (i + 1) * kStep - kGap, bytes({0x80, kUp[i], 0})});
        }
        for (int key : {60, 64, 67}) {
            e.append({t + 2 * kBeat, bytes({0x90, key, kVelocity})});
            e.append({t + 3 * kBeat - kGap, bytes({0x80, key, 0})});
        }
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
        e.append({0, bytes({0xb0 | c, 7, 127})});
        e.append({0, bytes({0xb0 | c, 11, 127})});
        if (c != 9)  // the drums keep their kit
            e.append({0, bytes({0xc0 | c, c * 8 + 1})});
    }
    for (int beat = 0; beat < kBeats; ++beat) {
        const int t = beat * kBeat;
        for (int key : {35, 36, 38, 42, 49, 57}) {
            e.append({t, bytes({0x99, key, 127})});
            e.append({t + kBeat / 2, bytes({0x89, key, 0})});
        }
        for (int c = 0; c < 16; ++c) {
            if (c == 9)
                continue;  // the drums' channel
            const int root = 36 + (c % 4) * 12 + (beat % 4) * 2;
            for (int step : {0, 4, 7, 11}) {
                e.append({t, bytes({0x90 | c, root + step, 127})});
                e.append({t + kBeat - 20, bytes({0x80 | c, root + step, 0})});
            }
        }
    }
    return midiFile(e);
}

struct Rendered {
    bool ok = false;
    float peak = 0;        // the largest sample
    float peakMuted = 0;   // from the block after the mute on
    float peakBefore = 0;  // in the block before the mute
};

// The header of a 32-bit float stereo WAV file of that many frames.
QByteArray floatWavHeader(qint64 frames)
{
    const auto le32 = [](qint64 v) {
        QByteArray b(4, 0);
        qToLittleEndian(quint32(v), b.data());
        return b;
    };
    const qint64 dataBytes = frames * 2 * qint64(sizeof(float));
    return "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + QByteArray::fromHex("03000200") + le32(kFrameRate)
            + le32(kFrameRate * 8) + QByteArray::fromHex("08002000") + "data" + le32(dataBytes);
}

// The file as the player has it (the clean file from our reading), rendered
// through the player's synth and output from start to end and a tail, into
// a float WAV file; muteAt (a frame) mutes there as the mute box does.
Rendered render(const QByteArray& file, const QString& wav, qint64 muteAt = -1)
{
    const auto midi = MidiFile::parse(file);
    const synthsetup::Synth s = synthsetup::makeSynth();
    QFile out(wav);
    if (!midi || !s.synth || !out.open(QIODevice::WriteOnly))
        return {};
    const QByteArray smf = midi->writeSmf();
    fluid_player_t* player = new_fluid_player(s.synth);
    fluid_player_add_mem(player, smf.constData(), size_t(smf.size()));
    fluid_player_play(player);
    SynthOutput output(s.synth);
    std::array<float, kBlock> left{}, right{};
    std::array<float, 2 * kBlock> frames{};
    Rendered r;
    out.write(floatWavHeader(0));
    qint64 at = 0, tail = 0;
    for (; tail < kTailFrames; at += kBlock) {
        if (at == muteAt) {
            fluid_synth_set_gain(s.synth, 0.0f);  // as FluidDriver::setMuted()
            output.setMuted(true);
        }
        output.render(left.data(), right.data(), kBlock);
        float peak = 0;
        for (int i = 0; i < kBlock; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
            peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
        }
        r.peak = std::max(r.peak, peak);
        r.peakBefore = at + kBlock == muteAt ? peak : r.peakBefore;
        r.peakMuted = muteAt >= 0 && at > muteAt ? std::max(r.peakMuted, peak) : r.peakMuted;
        out.write(reinterpret_cast<const char*>(frames.data()), qint64(sizeof(frames)));
        tail += fluid_player_get_status(player) == FLUID_PLAYER_DONE ? kBlock : 0;
    }
    delete_fluid_player(player);
    synthsetup::deleteSynth(s);
    r.ok = out.seek(0) && out.write(floatWavHeader(at)) > 0;
    return r;
}

struct Loudness {
    double lufs = NAN;
    double truePeakDb = NAN;
};

// ffmpeg's EBU R 128 meter: the integrated loudness and the true peak of its summary.
Loudness measure(const QString& wav)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg",
            {"-nostdin", "-hide_banner", "-nostats", "-i", wav, "-af", "ebur128=peak=true", "-f", "null", "-"});
    if (!p.waitForFinished(120000))
        return {};
    const QString text = QString::fromUtf8(p.readAll());
    const QString summary = text.mid(text.lastIndexOf("Summary:"));
    const auto number = [&](const char* pattern) {
        const auto m = QRegularExpression(pattern).match(summary);
        return m.hasMatch() ? m.captured(1).toDouble() : NAN;
    };
    return {number("I:\\s+(-?[\\d.]+) LUFS"), number("True peak:\\s+Peak:\\s+(-?[\\d.]+) dBFS")};
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
        const QString wav = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".wav");
        const Rendered r = render(file, wav);
        QVERIFY(r.ok);
        QVERIFY2(r.peak <= synthsetup::kCeiling, qPrintable(QString::number(r.peak)));
        const Loudness l = measure(wav);
        qInfo("%s: %.1f LUFS integrated, true peak %.1f dBFS, sample peak %.2f dBFS", QTest::currentDataTag(), l.lufs,
              l.truePeakDb, 20 * std::log10(r.peak));
        QVERIFY2(l.lufs >= minLufs && l.lufs <= maxLufs, qPrintable(QString::number(l.lufs)));
        QVERIFY2(l.truePeakDb <= -1.0, qPrintable(QString::number(l.truePeakDb)));
    }

    // Muted in the middle of the dense file: nothing at all from the next
    // block on, not even the reverb's tail.
    void muteSilencesAtOnce()
    {
        constexpr qint64 kMuteAt = 100 * kBlock;  // over a second in, the chords sounding
        const Rendered r = render(dense(), dir_.filePath("muted.wav"), kMuteAt);
        QVERIFY(r.ok);
        QVERIFY2(r.peakBefore > 0.1f, qPrintable(QString::number(r.peakBefore)));
        QCOMPARE(r.peakMuted, 0.0f);
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TstMidiLoudness)
#include "tst_midi_loudness.moc"
