#pragma once
// The media device control: opens a file under a device type, plays it,
// reports length and position in milliseconds, and raises the status-update
// and completion notifications on the GUI thread.
//
// Under the mpv types a playlist (ASX metafile or M3U list) opens as one
// media made of its playable local tracks: the length is their sum, the
// position runs from the start of the first, "next" goes to the start of the
// next track (from the last, to the end), "prev" to the start of the first,
// and "step"/"back" stay within the current track.
//
// The device type picks the engine: the four video and audio types play
// through mpv, "Sequencer" through FluidSynth. Each engine is a module of its
// own, loaded when a type of it is first set. Setting the type has the
// engine's module load and the engine start getting ready at once, so that
// it is by the time a file is chosen; an "open" that comes sooner waits for
// the module. An engine whose module cannot be loaded opens nothing. The device owns the transport
// semantics the program relies on: completion comes once each time the media
// reaches its end (by playing or by "next"), and at that moment the position
// equals the length exactly; "play" at the end starts again from the start.
//
// The transport is one state machine: closed, stopped, playing, paused and
// at the end. Every verb and every engine report (a track ended, the media
// failed, a position) is a transition of it; the engines decide nothing.
#include "Dispatch.h"
#include "MediaDriver.h"

#include <memory>
#include <optional>
#include <QObject>
#include <QString>

class QTimer;
class QWidget;

namespace corvane {

struct MediaDeviceOptions {
    // Empty means the engine's own choice; tests ask for "null".
    QString audioOutput;
    QString videoOutput;
};

class MediaDevice : public QObject, public Dispatch {
    Q_OBJECT
public:
    explicit MediaDevice(QObject* parent = nullptr, MediaDeviceOptions options = {});
    ~MediaDevice() override;

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

    // For diagnostics and tests: what the engines themselves report.
    bool isOpen() const { return state_ != State::Closed; }
    bool isPlaying() const { return state_ == State::Playing; }
    bool engineMuted() const;
    QString engineName() const;
    // The video window, once a video was opened; its properties
    // renderContext, framesTaken and framesDrawn tell how it draws.
    QWidget* videoWindow() const;
    // How often the status update is raised while a file is open: at full
    // rate while it plays, and after each verb (so a move made while halted
    // shows at once); slower while the position cannot move.
    static constexpr int kStatusIntervalMs = 125;
    static constexpr int kStillStatusIntervalMs = 1000;
    // The interval now in use: one of the two above, or 0 with nothing open.
    int statusIntervalMs() const;

private:
    enum class State { Closed, Stopped, Playing, Paused, AtEnd };

    void command(const QString& verb);
    void doOpen();
    void doClose();
    void doPlay();
    void doPause();
    void doStop();
    void doPrev();
    void doNext();
    void doStep() { step(+1); }
    void doBack() { step(-1); }
    void step(int direction);
    void seekTo(qint64 ms);
    void reachEnd();
    void onTrackEnded(int track);
    void onFailed();
    void applyMute();
    void onStatusTick();
    qint64 positionMs() const;
    void chooseType(const QString& deviceType);
    static std::optional<MediaEngine> engineOf(const QString& deviceType, bool* allowVideo);
    MediaDriver* driverOf(MediaEngine engine);

    MediaDeviceOptions options_;
    QString deviceType_;
    QString fileName_;
    bool flag52_ = false;
    bool mute_ = false;

    // One driver per engine, made on first use; driver_ plays the open file.
    std::unique_ptr<MediaDriver> drivers_[2];
    MediaDriver* driver_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    // The position at the last status update, and for how many updates in a
    // row it has stood still while not playing.
    qint64 statusPosition_ = -1;
    int stillUpdates_ = 0;
    State state_ = State::Closed;
    // The engine ended the last track while the device was not playing; the
    // next "play" arrives at the end at once.
    bool engineEnded_ = false;
    // In plain play the position never falls below what was last given out.
    mutable qint64 floor_ = 0;
    quint64 arrivals_ = 0;  // bumped by every arrival at the end and every close
};

}  // namespace corvane
