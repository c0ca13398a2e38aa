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
// through mpv, "Sequencer" through FluidSynth. The device owns the transport
// semantics the program relies on: completion comes once each time the media
// reaches its end (by playing or by "next"), and at that moment the position
// equals the length exactly; "play" at the end starts again from the start.
#include "Dispatch.h"

#include <memory>
#include <QObject>
#include <QString>

class QTimer;

namespace corvane {

class MediaDriver;
class MpvDriver;
class FluidDriver;
class VideoWindow;

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
    bool isOpen() const { return open_; }
    bool isPlaying() const { return playing_; }
    bool engineMuted() const;
    QString engineName() const;
    VideoWindow* videoWindow() const;
    // How often the status update is raised while a file is open.
    static constexpr int kStatusIntervalMs = 125;

private:
    void command(const QString& verb);
    void doOpen();
    void doClose();
    void doPlay();
    void doStep(int direction);
    void goToEnd();
    void onDriverEnded();
    void onDriverFailed();
    void applyMute();
    qint64 positionMs() const;
    MediaDriver* driverFor(const QString& deviceType, bool* allowVideo);

    MediaDeviceOptions options_;
    QString deviceType_;
    QString fileName_;
    bool flag52_ = false;
    bool mute_ = false;

    std::unique_ptr<MpvDriver> mpv_;
    std::unique_ptr<FluidDriver> fluid_;
    MediaDriver* driver_ = nullptr;  // the engine of the open file
    QTimer* statusTimer_ = nullptr;
    bool open_ = false;
    bool playing_ = false;
    bool atEnd_ = false;
    quint64 completions_ = 0;  // bumped by every completion and close
};

}  // namespace corvane
