#include "FluidDriver.h"

#include "Aside.h"
#include "media/EngineQuiet.h"
#include "SynthOutput.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fluidsynth.h>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

// Design notes
// - FluidSynth 2.3 reads no length before playing, rejects RMID and refuses
//   or cuts short many files that careful players take, so MidiFile reads
//   the file once, leniently, and the player gets the clean format-0 file
//   written from that reading (fluid_player_add_mem). The other way, our
//   events scheduled into FluidSynth's sequencer, would need our own seek
//   with controller chase and batched scheduling; the player already has
//   both, and tempo, timed by the synth's own sample clock.
// - Nothing slow runs on the GUI thread, nor on the audio thread: the
//   soundfont is loaded, the clean file of a large media written and the
//   player's first block (when it reads its file) rendered on threads of
//   their own; "play" before they are done takes effect when the poll finds
//   them done. The audio driver is made there too (connecting to a sound
//   server waits on it), and a spent player is deleted aside with its audio
//   driver: deleting the driver joins its sound thread, which a sound
//   server's blocking write can hold for over a second, and FluidSynth frees
//   the player's events then (SynthAudio).
// - The end is current tick >= total ticks, polled on the GUI thread (a plain
//   read of the player's tick counter); the player itself would go on
//   rendering for seconds before calling itself done.
// - Outputs are tried in the order a desktop needs (SynthAudio.h).
// - Loudness: the synth's gain (synthsetup::kGain) brings ordinary files to
//   about the loudness of other media; every block a sound device gets goes
//   through SynthOutput's peak limiter (the library has none), so dense files
//   do not clip. The audio drivers call it back (new_fluid_audio_driver2).
//   Mute is the synth's gain at 0 (no new sound, whatever the output) and the
//   output stage letting out zeros (the reverb's tail cut at once).
// - An audio driver's sound thread renders and writes blocks for as long as
//   it lives, silence too, some tens of times a second. So a player halted
//   for kAudioRestMs (its released notes have faded by then) loses its audio
//   driver and keeps its place; "play" makes a new driver aside, as for a
//   new player. A play soon after a pause finds the driver still there.
// - Shutdown order: audio driver, player, synth, settings. A player that has
//   reached its end is replaced by a fresh one rather than revived.

namespace corvane {

namespace {

constexpr int kPollMs = 20;
// Larger files are refused: reading one must not hold the GUI thread long.
constexpr qint64 kMaxMidiBytes = 4 * 1024 * 1024;
// Files of more events have their clean file written aside.
constexpr qint64 kInlineEvents = 20000;
constexpr int kFirstLookMs = 3;
constexpr auto kRetireWait = std::chrono::milliseconds(4);
constexpr int kAudioRestMs = 2000;

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

std::optional<MidiFile> readMidi(const QString& path, QString* problem)
{
    const QFileInfo fi(path);
    QFile file(path);
    if (!fi.isFile())
        *problem = fi.exists() ? QStringLiteral("not a regular file") : QStringLiteral("no such file");
    else if (fi.size() > kMaxMidiBytes)
        *problem = QStringLiteral("too large for a MIDI file");
    else if (!file.open(QIODevice::ReadOnly))
        *problem = QStringLiteral("cannot read");
    else
        return MidiFile::parse(file.read(fi.size()), problem);
    return std::nullopt;
}

}  // namespace

FluidDriver::FluidDriver(QString audioOutput, QObject* parent)
    : MediaDriver(parent), audioOutput_(std::move(audioOutput)), poll_(new QTimer(this)), rest_(new QTimer(this))
{
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &FluidDriver::poll);
    rest_->setSingleShot(true);
    rest_->setInterval(kAudioRestMs);
    connect(rest_, &QTimer::timeout, this, &FluidDriver::restAudio);
}

FluidDriver::~FluidDriver()
{
    stopPlayer();
    if (retired_.valid())
        retired_.wait();  // the synth outlives every player and sound thread
    if (synthJob_.valid()) {
        const Synth loaded = synthJob_.get();  // waits for a load under way
        settings_ = loaded.settings;
        synth_ = loaded.synth;
    }
    synthsetup::deleteSynth({settings_, synth_});
}

FluidDriver::Synth FluidDriver::loadSynth()
{
    const Synth s = synthsetup::makeSynth();
    if (!s.synth)
        std::fprintf(stderr, "corvane: media device: no General MIDI soundfont found\n");
    return s;
}

bool FluidDriver::synthReady()
{
    if (synth_)
        return true;
    if (!isReady(synthJob_))
        return false;
    const Synth loaded = synthJob_.get();
    settings_ = loaded.settings;
    synth_ = loaded.synth;
    synthFailed_ = !synth_;
    if (synth_) {
        gain_ = fluid_synth_get_gain(synth_);
        setMuted(muted_);
    }
    return synth_;
}

bool FluidDriver::prepared()
{
    if (!synthReady())
        return false;
    if (smf_.isEmpty() && isReady(smfJob_))
        smf_ = smfJob_.get();
    return !smf_.isEmpty();
}

bool FluidDriver::open(const QString& absolutePath, bool)
{
    close();
    QString problem;
    midi_ = readMidi(absolutePath, &problem);
    if (midi_ && !synthReady() && synthFailed_) {
        midi_.reset();
        problem = QStringLiteral("no synthesizer");
    }
    if (!midi_) {
        std::fprintf(stderr, "corvane: media device: cannot play %s: %s\n", QFile::encodeName(absolutePath).constData(),
                     problem.toUtf8().constData());
        return false;
    }
    prepare(false);
    if (midi_->eventCount() <= kInlineEvents)
        smf_ = midi_->writeSmf();
    else
        smfJob_ = runAside([midi = *midi_] { return midi.writeSmf(); });
    return true;
}

void FluidDriver::prepare(bool)
{
    if (synth_ || synthJob_.valid() || synthFailed_)
        return;
    silenceFluidLog();
    EngineQuiet::silenceAlsa();
    synthJob_ = runAside(&FluidDriver::loadSynth);
}

// The player reads its file at its first callback, which for a large file
// takes far longer than an audio period; and the audio thread may run at
// real-time priority, starving the GUI thread on its core meanwhile. So that
// first block is rendered aside, on an ordinary thread, before the audio
// driver starts on the same thread (audioRunning() takes it up); the
// player's clock is the synth's sample count, so the music goes on from
// there without a jump.
bool FluidDriver::startPlayer(qint64 fromTick)
{
    fluid_synth_system_reset(synth_);
    player_ = new_fluid_player(synth_);
    if (!player_ || fluid_player_add_mem(player_, smf_.constData(), size_t(smf_.size())) != FLUID_OK)
        return false;
    pendingTick_ = fromTick > 0 ? fromTick : -1;
    seekSent_ = false;
    stoppedTick_ = fromTick;
    spent_ = false;
    fluid_player_play(player_);
    startOutput();
    return true;
}

// Aside, once the last audio driver is gone: a block rendered, then the
// audio driver made.
void FluidDriver::startOutput()
{
    starting_ = synthaudio::openAside(settings_, synth_, synthaudio::outputOrder(audioOutput_, driverName_), retired_);
}

bool FluidDriver::audioRunning()
{
    if (audio_)
        return true;
    if (!starting_.valid())
        startOutput();  // the player's last driver rested while it was halted
    if (!isReady(starting_))
        return false;
    const synthaudio::Output& output = starting_.get();
    if (output.audio) {
        audio_ = output.audio;  // still deleted through starting_
        stage_ = output.stage;
        setMuted(muted_);
        driverName_ = output.name;
        return true;
    }
    stopPlayer();
    emit failed();
    return false;
}

void FluidDriver::stopPlayer()
{
    poll_->stop();
    rest_->stop();
    playing_ = false;
    dropPlayer();
}

void FluidDriver::dropPlayer()
{
    if (!player_ && !starting_.valid())
        return;  // nothing sounds; the poll calls this while it waits to start
    if (player_)
        fluid_player_stop(player_);  // no new notes while its sound thread winds down
    retireAside(std::exchange(player_, nullptr));
}

// The next player (which joins the synth's timers) and the next audio driver
// wait for the audio driver and the player to go.
void FluidDriver::retireAside(_fluid_player_t* player)
{
    retired_ = synthaudio::closeAside(std::exchange(starting_, {}), player, retired_);
    audio_ = nullptr;
    stage_.reset();
    fluid_synth_all_sounds_off(synth_, -1);
}

// Halted for a while: the audio driver goes, and a spent player with it.
void FluidDriver::restAudio()
{
    if (playing_ || !starting_.valid())
        return;
    if (spent_)
        dropPlayer();
    else
        retireAside(nullptr);
}

void FluidDriver::close()
{
    stopPlayer();
    midi_.reset();
    smf_.clear();
    smfJob_ = {};  // a file still being written is dropped when done
    pendingTick_ = -1;
    stoppedTick_ = 0;
}

qint64 FluidDriver::currentTick() const
{
    if (pendingTick_ >= 0)
        return pendingTick_;
    if (!playing_ || !player_ || spent_)
        return stoppedTick_;
    return fluid_player_get_current_tick(player_);
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
    if (player_ && !spent_)
        fluid_player_play(player_);  // goes on from where it was stopped
    rest_->stop();
    playing_ = true;
    poll_->start();
    poll();  // starts the player, or hands a pending position over, at once
}

void FluidDriver::pause()
{
    if (!midi_ || !playing_)
        return;
    stoppedTick_ = currentTick();
    playing_ = false;
    poll_->stop();
    // The player keeps its place; notes are released at its next callback.
    if (player_)
        fluid_player_stop(player_);
    rest_->start();
}

// A player that has played to its end is replaced, not revived; the new one
// waits until the last is deleted, as both join the synth's timers.
bool FluidDriver::startPlaying()
{
    dropPlayer();
    // A small player is gone in a moment; a large one is waited for by the poll.
    const bool retiring = retired_.valid() && retired_.wait_for(kRetireWait) != std::future_status::ready;
    if (!prepared() || retiring) {
        if (synthFailed_) {
            stopPlayer();
            emit failed();
        }
        return false;
    }
    if (!startPlayer(pendingTick_ >= 0 ? pendingTick_ : stoppedTick_)) {
        stopPlayer();
        emit failed();
        return false;
    }
    playing_ = true;
    poll_->start();
    // A small file's first block is rendered long before the next poll.
    QTimer::singleShot(kFirstLookMs, this, &FluidDriver::poll);
    return true;
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
    if (!midi_ || !playing_ || ((!player_ || spent_) && !startPlaying()) || !audioRunning())
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
        rest_->start();
        emit trackEnded(0);
    }
}

void FluidDriver::setMuted(bool muted)
{
    muted_ = muted;
    if (synth_)
        fluid_synth_set_gain(synth_, muted ? 0.0f : float(gain_));
    if (stage_)
        stage_->setMuted(muted);
}

bool FluidDriver::engineMuted() const { return synth_ ? fluid_synth_get_gain(synth_) == 0.0f : muted_; }

}  // namespace corvane
