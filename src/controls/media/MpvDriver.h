#pragma once
// Plays media files through libmpv, fully asynchronously: every request to
// the engine is an asynchronous command or property write, the engine's state
// arrives as observed-property events, and events are drained on the GUI
// thread from a wakeup callback posted there. Nothing here waits on the
// engine's core, which keeps the GUI thread free to act as mpv's render
// thread for the video window.
#include "MediaDriver.h"
#include "MediaTracks.h"

#include <atomic>
#include <cstdint>
#include <QElapsedTimer>
#include <QHash>
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
    // Opens the playable files among absolutePaths (a playlist's tracks) as
    // one media, paused at the start of the first. False, with nothing open,
    // when none is playable.
    bool openList(const QStringList& absolutePaths, bool allowVideo);
    void close() override;
    void play() override;
    void pause() override;
    void seek(qint64 ms) override;
    void seekToEnd() override;
    void frameStep(int direction) override;

    qint64 lengthMs() const override { return loaded_ ? tracks_.lengthMs() : 0; }
    qint64 positionMs() const override;
    bool hasVideo() const override { return loaded_ && tracks_.at(index_).video; }
    int trackCount() const override { return loaded_ ? tracks_.count() : 1; }
    int currentTrack() const override { return loaded_ ? index_ : 0; }
    qint64 trackStartMs(int track) const override;
    void setMuted(bool muted) override;
    bool engineMuted() const override { return engineMuted_; }

    // The window the picture is rendered into, once a video was opened.
    VideoWindow* videoWindow() const { return window_; }

private:
    bool ensureCore();
    bool start(MediaTracks tracks, bool allowVideo);
    // Position inside the current track.
    qint64 trackPositionMs() const;
    // Makes the engine play track k from its start, then seek to target
    // (empty: stay at the start).
    void jumpTo(int k, const QByteArray& target, const char* flags);
    void sendJump(int k);
    void onStartFile(int64_t entryId);
    void showTrack(int k);
    // The single place where files reach the engine: absolute local paths
    // only, never a URL, so the engine cannot be led onto the network.
    // Track 0 replaces what the engine had, the others are appended.
    bool loadLocalFile(const QString& absolutePath, int track);
    // Hands the next tracks to the engine, a few at a time.
    void feedLoads();
    void drainEvents();
    void handleEvent(const mpv_event& ev);
    void checkEnd();
    void command(uint64_t tag, std::initializer_list<const char*> args);
    // Seeks before the engine has loaded the file wait for it.
    void seekTo(const QByteArray& target, const char* flags);
    void setFlag(const char* name, bool on);
    void setText(const char* name, const char* value);
    static void onWakeup(void* self);

    QString audioOutput_;
    QString videoOutput_;
    mpv_handle* mpv_ = nullptr;
    bool coreFailed_ = false;
    bool noPictureOutput_ = false;
    std::atomic_bool wakeupPosted_{false};
    QPointer<VideoWindow> window_;

    // The media now open, as the device sees it.
    MediaTracks tracks_;
    bool loaded_ = false;      // open() accepted a media and close() has not run
    int index_ = 0;            // the track playing (or about to)
    int shownTrack_ = -1;      // the track the video window was last set up for
    int jumpTo_ = -1;          // a track the engine was told to play, until it starts it
    bool trackEnded_ = false;  // the engine left the current track
    // Engine playlist entries of our tracks (learnt from the load replies);
    // events of other entries belong to media replaced or closed.
    quint32 generation_ = 0;
    QHash<int64_t, int> entryTrack_;
    int64_t lastStartedEntry_ = -1;
    int nextLoad_ = 0;  // the next track to hand to the engine
    int loadsInFlight_ = 0;
    bool jumpQueued_ = false;  // jumpTo_ waits for its track to be handed over
    int jumpsInFlight_ = 0;    // jumps sent and not yet answered
    bool wantPlay_ = false;    // play() asked and nothing paused since
    bool endReported_ = false;
    qint64 positionMs_ = 0;
    // Engine events belong to our track only after its start event.
    bool current_ = false;
    bool seeking_ = false;
    bool fileLoaded_ = false;
    QByteArray pendingSeekTarget_;
    const char* pendingSeekFlags_ = nullptr;
    bool restarted_ = false;  // playback has (re)started since the last load or seek
    QElapsedTimer sinceTimePos_;
    bool eof_ = false;
    bool paused_ = true;
    bool engineMuted_ = false;
};

}  // namespace corvane
