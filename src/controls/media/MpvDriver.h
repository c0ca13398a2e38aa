#pragma once
// Plays media files through libmpv, fully asynchronously: every request to
// the engine is an asynchronous command or property write, the engine's state
// arrives as observed-property events, and events are drained on the GUI
// thread from a wakeup callback posted there. Nothing here waits on the
// engine's core, which keeps the GUI thread free to act as mpv's render
// thread for the video window.
#include "MediaDriver.h"
#include "MediaProbe.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <atomic>
#include <cstdint>

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
    void close() override;
    void play() override;
    void pause() override;
    void seek(qint64 ms) override;
    void seekToEnd() override;
    void frameStep(int direction) override;

    qint64 lengthMs() const override { return loaded_ ? info_.lengthMs : 0; }
    qint64 positionMs() const override;
    bool hasVideo() const override { return loaded_ && showsVideo_; }
    void setMuted(bool muted) override;
    bool engineMuted() const override { return engineMuted_; }

    // The window the picture is rendered into, once a video was opened.
    VideoWindow* videoWindow() const { return window_; }

private:
    bool ensureCore();
    // The single place where files reach the engine: absolute local paths
    // only, never a URL, so the engine cannot be led onto the network.
    void loadLocalFiles(const QStringList& absolutePaths);
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

    // The file now open, as the device sees it.
    MediaInfo info_;
    bool loaded_ = false;      // open() accepted a file and close() has not run
    bool showsVideo_ = false;
    bool wantPlay_ = false;    // play() asked and nothing paused since
    bool endReported_ = false;
    qint64 positionMs_ = 0;
    // Engine events belong to our file only after its start event; a file
    // replaced or closed may still have events in the queue.
    int startsPending_ = 0;
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

} // namespace corvane
