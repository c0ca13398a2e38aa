#pragma once
// What the media device asks of a playing engine. A driver plays one media
// at a time (one file, or the tracks of a playlist); every call is made on
// the GUI thread and returns at once, and every signal is emitted on the GUI
// thread. Position and length are whole milliseconds.
//
// A driver reports facts only: where the engine is, and that the engine
// stopped playing a track (its end, or it gave up on it). The device owns
// the transport rules (completion once, position equal to length at the
// end, "next", "step").
#include <functional>
#include <memory>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace corvane {

class MediaDriver : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the file at an absolute local path, paused at its start. Returns
    // false, with nothing open, when the file is not playable; otherwise the
    // length is known when it returns. allowVideo is false for the audio
    // device types, which never show a picture.
    virtual bool open(const QString& absolutePath, bool allowVideo) = 0;
    // Opens the playable files among absolutePaths (a playlist's tracks) as
    // one media, paused at the start of the first. False, with nothing open,
    // when none is playable or the engine plays no lists.
    virtual bool openList(const QStringList& /*absolutePaths*/, bool /*allowVideo*/) { return false; }
    virtual void close() = 0;
    // Starts what the engine needs before its first open (the device calls
    // it as soon as a type of this engine is chosen, which is before the file
    // dialog), off the GUI thread or in short steps of its event loop;
    // allowVideo as for open(). Returns at once.
    virtual void prepare(bool /*allowVideo*/) {}

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void seek(qint64 ms) = 0;
    // Leaves the engine paused at (or past) its last moment.
    virtual void seekToEnd() = 0;
    // One frame forward (+1) or back (-1); only where hasVideo().
    virtual void frameStep(int direction) = 0;

    virtual qint64 lengthMs() const = 0;
    // Latest known position; cheap, never waits on the engine.
    virtual qint64 positionMs() const = 0;
    virtual bool hasVideo() const = 0;

    // A media may be made of several tracks played one after another (a
    // playlist); positions are on the whole media's time line. One file is
    // one track starting at 0.
    virtual int trackCount() const { return 1; }
    virtual int currentTrack() const { return 0; }
    virtual qint64 trackStartMs(int /*track*/) const { return 0; }

    virtual void setMuted(bool muted) = 0;
    // Whether the engine itself is silent now, as the engine reports it.
    virtual bool engineMuted() const = 0;
    virtual QString engineName() const = 0;
    // The window the picture shows in, once the engine made one.
    virtual QWidget* videoWindow() const { return nullptr; }

signals:
    // The engine stopped playing `track`: it reached its end, or gave up on
    // it part of the way. Once per time the engine leaves a track that way.
    void trackEnded(int track);
    // The engine refused the media after open() had accepted it.
    void failed();
};

// The engines behind the device types.
enum class MediaEngine { Mpv, Fluid };

using MediaDriverFactory = std::function<std::unique_ptr<MediaDriver>(MediaEngine, const QString& audioOutput,
                                                                      const QString& videoOutput)>;

// The drivers the devices made from now on use; an empty factory puts the
// real engines back. For tests.
void setMediaDriverFactory(MediaDriverFactory factory);
// A new driver of the engine, or null when its module cannot be loaded. An
// engine's module is loaded on first use; this waits for a load under way
// (from the start of the load, about 70 ms for mpv and under 10 ms for
// FluidSynth on an idle 2-core machine; 200 ms with a cold file cache).
std::unique_ptr<MediaDriver> makeMediaDriver(MediaEngine engine, const QString& audioOutput,
                                             const QString& videoOutput);
// Starts loading the engine's module on a worker thread, a quarter of a
// second from now, and runs `ready` on the GUI thread when it is loaded (or
// failed to load): at once when it already is. Dropped if `context` is gone
// by then.
void whenMediaEngineReady(MediaEngine engine, QObject* context, std::function<void()> ready);

}  // namespace corvane
