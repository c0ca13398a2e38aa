#pragma once
// Plays media files through libmpv, fully asynchronously: every request to
// the engine is an asynchronous command or property write, the engine's state
// arrives as events and observed-property events, and events are drained on
// the GUI thread from a wakeup callback posted there. Nothing here waits on
// the engine's core, so a slow load never holds the GUI thread; the video
// window draws on a render thread of its own.
#include "LoadQueue.h"
#include "media/MediaDriver.h"
#include "MediaTracks.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

struct mpv_handle;
struct mpv_event;

namespace corvane {

class VideoWindow;

class MpvDriver : public MediaDriver {
    Q_OBJECT
public:
    // Empty outputs leave the choice to the engine (the desktop's sound, the
    // video window); "null" is for tests.
    MpvDriver(QString audioOutput, QString videoOutput, QObject* parent = nullptr);
    ~MpvDriver() override;

    bool open(const QString& absolutePath, bool allowVideo) override;
    bool openList(const QStringList& absolutePaths, bool allowVideo) override;
    void close() override;
    // The core; for the video types also the video window and its render
    // context, made in steps once the display's OpenGL driver is loaded aside.
    void prepare(bool allowVideo) override;
    void play() override;
    void pause() override;
    void seek(qint64 ms) override;
    void seekToEnd() override;
    void frameStep(int direction) override;

    qint64 lengthMs() const override { return loaded_ ? tracks_.lengthMs() : 0; }
    qint64 positionMs() const override;
    bool hasVideo() const override { return loaded_ && tracks_.at(track_.index).video; }
    int trackCount() const override { return loaded_ ? tracks_.count() : 1; }
    int currentTrack() const override { return loaded_ ? track_.index : 0; }
    qint64 trackStartMs(int track) const override;
    void setMuted(bool muted) override;
    bool engineMuted() const override { return engineMuted_; }
    QString engineName() const override { return QStringLiteral("mpv"); }

    // The window the picture is rendered into, once a video was opened.
    QWidget* videoWindow() const override;

private:
    // Where the engine is with the track we follow.
    enum class Phase {
        Jumping,   // told to play it; events of other entries are not ours
        Starting,  // the engine began it; seeks wait for it to load
        Loaded,    // playing or paused inside it
        Ended,     // the engine left it (its end, or it gave up on it)
    };
    struct TrackState {
        int index = 0;
        Phase phase = Phase::Jumping;
        qint64 positionMs = 0;      // the engine's last report (or a seek target), inside the track
        QElapsedTimer sinceReport;  // wall clock since that report
        qint64 reportGapMs = -1;    // between the engine's last two reports
        bool restarted = false;     // playback began since the load or the last seek
        bool seeking = false;       // a seek is under way
        QByteArray pendingSeek;     // a seek waiting for the track to load
        const char* pendingFlags = nullptr;
    };

    static mpv_handle* makeCore(const QString& audioOutput, const QString& videoOutput);
    void startCore();
    bool takeCore(bool wait);
    bool ensureCore();
    void prepareVideoWindow();
    bool start(MediaTracks tracks, bool allowVideo);
    // The one place the followed track changes: its state starts afresh.
    void follow(int k, Phase phase);
    // Position inside the current track.
    qint64 trackPositionMs() const;
    // Makes the engine play track k from its start, then seek to target
    // (empty: stay at the start).
    void jumpTo(int k, const QByteArray& target, const char* flags);
    void sendJump(int k);
    void showTrack(int k);
    // The single place where files reach the engine: absolute local paths
    // only, never a URL, so the engine cannot be led onto the network.
    // Track 0 replaces what the engine had, the others are appended.
    bool loadLocalFile(const QString& absolutePath, int track);
    void feedLoads();
    void seekTo(const QByteArray& target, const char* flags);

    // The event side (MpvDriverEvents.cpp).
    void drainEvents();
    void handleEvent(const mpv_event& ev);
    void onStartFile(int64_t entryId);
    void onFileLoaded();
    void onEndFile(int64_t entryId, int reason);
    void onLoadReply(uint64_t tag, int error, const mpv_event& ev);
    void onReply(const mpv_event& ev);
    void onProperty(const mpv_event& ev);
    void onTimePos(double seconds);

    void command(uint64_t tag, std::initializer_list<const char*> args);
    void setFlag(const char* name, bool on);
    void setText(const char* name, const char* value);
    static void onWakeup(void* self);

    QString audioOutput_;
    QString videoOutput_;
    mpv_handle* mpv_ = nullptr;
    bool coreFailed_ = false;
    std::future<mpv_handle*> coreJob_;  // the core, being started aside
    bool muted_ = false;
    bool noPictureOutput_ = false;
    bool preparingVideo_ = false;
    std::atomic_bool wakeupPosted_{false};
    QPointer<VideoWindow> window_;

    // The media now open, as the device sees it.
    MediaTracks tracks_;
    bool loaded_ = false;  // open() accepted a media and close() has not run
    LoadQueue loads_;
    TrackState track_;
    int shownTrack_ = -1;       // the track the video window was last set up for
    int64_t lastStarted_ = -1;  // the engine entry last started (its load reply may come later)
    bool jumpQueued_ = false;   // the jump waits for its track to be handed over
    int jumpsInFlight_ = 0;     // jumps sent and not yet answered
    bool wantPlay_ = false;     // play() asked and nothing paused since
    bool engineMuted_ = false;
};

}  // namespace corvane
