#include "FluidDriver.h"

#include "EngineQuiet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fluidsynth.h>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

// Design notes
// - FluidSynth 2.3 reads no length before playing and rejects RMID, so the
//   file is read, checked and timed by MidiFile, and the plain SMF bytes go to
//   the player with fluid_player_add_mem.
// - The end is current tick >= total ticks, polled on the GUI thread (a plain
//   read of the player's tick counter); the player itself would go on
//   rendering for seconds before calling itself done.
// - Outputs are tried in the order a desktop needs: PulseAudio (which
//   PipeWire desktops also serve), then ALSA, then the "file" driver writing
//   raw samples to /dev/null, which keeps real-time pace without a sound card.
// - Shutdown order: audio driver, player, synth, settings. A player that has
//   reached its end is replaced by a fresh one rather than revived.

namespace corvane {

namespace {

constexpr int kPollMs = 20;
constexpr qint64 kMaxMidiBytes = 32 * 1024 * 1024;

void dropLog(int, const char*, void*) {}

void silenceFluidLog()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, dropLog, nullptr);
}

}  // namespace

FluidDriver::FluidDriver(QString audioOutput, QObject* parent)
    : MediaDriver(parent), audioOutput_(std::move(audioOutput)), poll_(new QTimer(this))
{
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &FluidDriver::poll);
}

FluidDriver::~FluidDriver()
{
    stopPlayer();
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

QStringList FluidDriver::soundFontCandidates()
{
    return {QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3"),
            QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
}

bool FluidDriver::ensureSynth()
{
    if (synth_)
        return true;
    if (synthFailed_)
        return false;
    silenceFluidLog();
    EngineQuiet::silenceAlsa();
    synthFailed_ = true;
    settings_ = new_fluid_settings();
    if (!settings_)
        return false;
    synth_ = new_fluid_synth(settings_);
    if (!synth_)
        return false;
    bool loaded = false;
    for (const QString& sf : soundFontCandidates()) {
        if (QFileInfo(sf).isFile()
            && fluid_synth_sfload(synth_, QFile::encodeName(sf).constData(), 1) != FLUID_FAILED) {
            loaded = true;
            break;
        }
    }
    if (!loaded) {
        std::fprintf(stderr, "corvane: media device: no General MIDI soundfont found\n");
        return false;
    }
    gain_ = fluid_synth_get_gain(synth_);
    setMuted(muted_);
    synthFailed_ = false;
    return true;
}

bool FluidDriver::open(const QString& absolutePath, bool)
{
    close();
    QString problem;
    QFile file(absolutePath);
    const QFileInfo fi(absolutePath);
    if (!fi.isFile())
        problem = fi.exists() ? QStringLiteral("not a regular file") : QStringLiteral("no such file");
    else if (fi.size() > kMaxMidiBytes)
        problem = QStringLiteral("too large for a MIDI file");
    else if (!file.open(QIODevice::ReadOnly))
        problem = QStringLiteral("cannot read");
    if (problem.isEmpty()) {
        midi_ = MidiFile::parse(file.read(kMaxMidiBytes), &problem);
        if (midi_ && !ensureSynth()) {
            midi_.reset();
            problem = QStringLiteral("no synthesizer");
        }
    }
    if (!midi_ || !startPlayer(0)) {
        std::fprintf(stderr, "corvane: media device: cannot play %s: %s\n", QFile::encodeName(absolutePath).constData(),
                     problem.isEmpty() ? "no audio output" : problem.toUtf8().constData());
        midi_.reset();
        return false;
    }
    return true;
}

bool FluidDriver::startAudio()
{
    QStringList order{QStringLiteral("pulseaudio"), QStringLiteral("alsa"), QStringLiteral("file")};
    if (audioOutput_ == QLatin1String("null"))
        order = {QStringLiteral("file")};
    else if (!driverName_.isEmpty())
        order.prepend(driverName_);  // what worked last time first
    for (const QString& name : order) {
        fluid_settings_setstr(settings_, "audio.driver", name.toUtf8().constData());
        if (name == QLatin1String("file")) {
            fluid_settings_setstr(settings_, "audio.file.name", "/dev/null");
            fluid_settings_setstr(settings_, "audio.file.type", "raw");
        }
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (audio_) {
            driverName_ = name;
            return true;
        }
    }
    return false;
}

bool FluidDriver::startPlayer(qint64 fromTick)
{
    stopPlayer();
    fluid_synth_system_reset(synth_);
    player_ = new_fluid_player(synth_);
    if (!player_)
        return false;
    const QByteArray& smf = midi_->smf();
    if (fluid_player_add_mem(player_, smf.constData(), size_t(smf.size())) != FLUID_OK || !startAudio()) {
        stopPlayer();
        return false;
    }
    pendingTick_ = fromTick > 0 ? fromTick : -1;
    seekSent_ = false;
    stoppedTick_ = fromTick;
    spent_ = false;
    return true;
}

void FluidDriver::stopPlayer()
{
    poll_->stop();
    playing_ = false;
    if (audio_) {
        delete_fluid_audio_driver(audio_);
        audio_ = nullptr;
    }
    if (player_) {
        delete_fluid_player(player_);
        player_ = nullptr;
    }
    if (synth_)
        fluid_synth_all_sounds_off(synth_, -1);
}

void FluidDriver::close()
{
    stopPlayer();
    midi_.reset();
    pendingTick_ = -1;
    stoppedTick_ = 0;
}

qint64 FluidDriver::currentTick() const
{
    if (pendingTick_ >= 0)
        return pendingTick_;
    if (!playing_)
        return stoppedTick_;
    return player_ ? fluid_player_get_current_tick(player_) : 0;
}

qint64 FluidDriver::positionMs() const
{
    if (!midi_)
        return 0;
    return qint64(midi_->tickToMs(std::min(currentTick(), midi_->totalTicks())));
}

void FluidDriver::play()
{
    if (!midi_ || playing_)
        return;
    // A player that has played to its end is replaced, not revived.
    if (!player_ || spent_) {
        const qint64 from = pendingTick_ >= 0 ? pendingTick_ : stoppedTick_;
        if (!startPlayer(from))
            return;
    }
    fluid_player_play(player_);
    playing_ = true;
    poll_->start();
    poll();  // hands a pending position over at once
}

void FluidDriver::pause()
{
    if (!midi_ || !playing_)
        return;
    stoppedTick_ = currentTick();
    playing_ = false;
    poll_->stop();
    // The player keeps its place; notes are released at its next callback.
    fluid_player_stop(player_);
}

void FluidDriver::seek(qint64 ms)
{
    if (!midi_)
        return;
    const qint64 tick = std::clamp<qint64>(midi_->msToTick(double(ms)), 0, midi_->totalTicks());
    stoppedTick_ = tick;
    pendingTick_ = tick;
    seekSent_ = false;
    // A stopped player takes a new place at any time; a playing one when the
    // poll gets to it.
    if (player_ && !playing_ && !spent_ && fluid_player_get_status(player_) == FLUID_PLAYER_DONE)
        seekSent_ = fluid_player_seek(player_, int(tick)) == FLUID_OK;
    if (playing_)
        poll();
}

void FluidDriver::seekToEnd()
{
    if (!midi_)
        return;
    pause();
    pendingTick_ = -1;
    stoppedTick_ = midi_->totalTicks();
    spent_ = true;
}

void FluidDriver::poll()
{
    if (!player_ || !playing_)
        return;
    const qint64 tick = fluid_player_get_current_tick(player_);
    if (pendingTick_ >= 0) {
        if (!seekSent_) {
            // Refused while an earlier seek is in progress; asked again next time.
            seekSent_ = fluid_player_seek(player_, int(pendingTick_)) == FLUID_OK;
            return;
        }
        if (std::abs(midi_->tickToMs(tick) - midi_->tickToMs(pendingTick_)) > 4 * kPollMs + 50) {
            seekSent_ = false;  // not taken up (the player was still loading its file)
            return;
        }
        pendingTick_ = -1;
    }
    if (tick >= midi_->totalTicks() || fluid_player_get_status(player_) == FLUID_PLAYER_DONE) {
        stoppedTick_ = midi_->totalTicks();
        playing_ = false;
        spent_ = true;
        poll_->stop();
        fluid_player_stop(player_);
        emit trackEnded(0);
    }
}

void FluidDriver::setMuted(bool muted)
{
    muted_ = muted;
    if (synth_)
        fluid_synth_set_gain(synth_, muted ? 0.0f : float(gain_));
}

bool FluidDriver::engineMuted() const { return synth_ ? fluid_synth_get_gain(synth_) == 0.0f : muted_; }

}  // namespace corvane
