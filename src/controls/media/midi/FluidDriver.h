#pragma once
// Plays MIDI files through FluidSynth. Our own reader reads the file once,
// checks it and times it; the player is handed the clean file written from
// that reading, so length and sound agree. The synth and its soundfont live
// as long as the driver and are loaded off the GUI thread from the moment the
// device type is chosen; the clean file of a large media is written there
// too. Until both are there the media stays at its start, and "play" takes
// effect when they are. The first play of each open, and each play after the
// end, gets a new player and audio driver. The player advances only while the
// synth renders, so with no sound device the samples go, in real time, to
// /dev/null. An audio driver renders all the time, silence too, so once the
// player has been halted a while its driver goes, and the next play makes a
// new one. Audio drivers are made and deleted off the GUI thread: deleting
// one joins its sound thread, which a sound server may hold for a second or
// more.
#include "media/MediaDriver.h"
#include "MidiFile.h"
#include "SynthAudio.h"
#include "SynthSetup.h"

#include <future>
#include <memory>
#include <optional>

class QTimer;

namespace corvane {

class FluidDriver : public MediaDriver {
    Q_OBJECT
public:
    // audioOutput "null" skips the sound devices and renders silently.
    explicit FluidDriver(QString audioOutput, QObject* parent = nullptr);
    ~FluidDriver() override;

    bool open(const QString& absolutePath, bool allowVideo) override;
    void close() override;
    void prepare(bool allowVideo) override;
    void play() override;
    void pause() override;
    void seek(qint64 ms) override;
    void seekToEnd() override;
    void frameStep(int) override {}

    qint64 lengthMs() const override { return midi_ ? midi_->lengthMs() : 0; }
    qint64 positionMs() const override;
    bool hasVideo() const override { return false; }
    void setMuted(bool muted) override;
    bool engineMuted() const override;
    QString engineName() const override { return QStringLiteral("fluidsynth"); }

    // Which output the samples go to: "pulseaudio", "alsa" or "file".
    QString audioDriverName() const { return driverName_; }
    // The soundfonts looked for, in order.
    static QStringList soundFontCandidates() { return synthsetup::soundFontCandidates(); }

private:
    using Synth = synthsetup::Synth;
    static Synth loadSynth();
    bool synthReady();
    bool prepared();
    bool startPlaying();
    bool startPlayer(qint64 fromTick);
    bool audioRunning();
    void stopPlayer();  // halts the poll, then drops the player
    void dropPlayer();  // the audio driver and the player are deleted aside
    void restAudio();   // the audio driver alone is deleted aside
    void retireAside(_fluid_player_t* player);
    void startOutput();
    qint64 currentTick() const;
    void poll();

    QString audioOutput_;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_player_t* player_ = nullptr;
    _fluid_audio_driver_t* audio_ = nullptr;  // the player's, once starting_ made it
    std::shared_ptr<SynthOutput> stage_;      // and its way out
    QString driverName_;
    bool synthFailed_ = false;
    std::future<Synth> synthJob_;
    std::future<QByteArray> smfJob_;
    // The player's first block rendered, then its audio driver made, aside.
    std::shared_future<synthaudio::Output> starting_;
    // The last player and its audio driver, being deleted; each retirement
    // waits for the one before.
    std::shared_future<bool> retired_;
    QByteArray smf_;  // the clean file of the open media, once written
    bool muted_ = false;
    double gain_ = synthsetup::kGain;

    std::optional<MidiFile> midi_;
    QTimer* poll_;
    QTimer* rest_;  // from a halt to the audio driver's deletion
    bool playing_ = false;
    // A position asked for that the player has not taken up yet.
    qint64 pendingTick_ = -1;
    bool seekSent_ = false;
    bool spent_ = false;  // played to its end: the next play takes a new player
    qint64 stoppedTick_ = 0;
};

}  // namespace corvane
