#pragma once
// What the media device asks of a playing engine. A driver plays one media
// at a time (one file, or the tracks of a playlist); every call is made on
// the GUI thread and returns at once, and every signal is emitted on the GUI
// thread. Position and length are whole
// milliseconds. The device, not the driver, owns the transport semantics
// (completion once, position equal to length at the end, "next", "step").
#include <QObject>
#include <QString>

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
    virtual void close() = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void seek(qint64 ms) = 0;
    // Leaves the engine paused at (or next to) its last moment.
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

signals:
    // The engine played to the end of the media after play().
    void ended();
    // The engine gave up on the file after open() had accepted it.
    void failed();
};

}  // namespace corvane
