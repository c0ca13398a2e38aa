#include "MediaDevice.h"

#include "DispatchIds.h"
#include "Playlist.h"

#include <algorithm>
#include <limits>
#include <QFileInfo>
#include <QTimer>

namespace corvane {

namespace {

constexpr qint64 kAudioStepMs = 5000;
// "back" at the end of a video leaves the end by about a frame.
constexpr qint64 kVideoBackFromEndMs = 40;
// Tracks of a playlist probed at most; later entries are dropped.
constexpr int kMaxListTracks = playlist::kMaxTracks;
// Status updates at full rate with the position standing still before they
// slow down: an engine reports where a seek or a frame step took it a little
// after the verb.
constexpr int kStillUpdatesBeforeSlowing = 4;

int32_t toInt32(qint64 v) { return int32_t(std::clamp<qint64>(v, 0, std::numeric_limits<int32_t>::max())); }

bool sameType(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

}  // namespace

MediaDevice::MediaDevice(QObject* parent, MediaDeviceOptions options)
    : QObject(parent), options_(std::move(options)), statusTimer_(new QTimer(this))
{
    statusTimer_->setInterval(kStatusIntervalMs);
    connect(statusTimer_, &QTimer::timeout, this, &MediaDevice::onStatusTick);
}

MediaDevice::~MediaDevice()
{
    statusTimer_->stop();
    // Drivers go first and in a fixed order; each shuts its engine down.
    drivers_[int(MediaEngine::Fluid)].reset();
    drivers_[int(MediaEngine::Mpv)].reset();
}

void MediaDevice::put(DispId id, const Variant& value)
{
    using namespace dispid::mci;
    switch (id) {
    case DeviceType: chooseType(value.toText()); break;
    case FileName: fileName_ = value.toText(); break;
    case Command: command(value.toText()); break;
    case Flag52: flag52_ = value.toBool(); break;
    case Mute:
        mute_ = value.toBool();
        applyMute();
        break;
    default: break;
    }
}

Variant MediaDevice::get(DispId id)
{
    using namespace dispid::mci;
    switch (id) {
    case DeviceType: return deviceType_;
    case FileName: return fileName_;
    case Command: return QString();
    case Flag52: return flag52_;
    case Mute: return mute_;
    case Length: return toInt32(isOpen() ? driver_->lengthMs() : 0);
    case Position: return toInt32(positionMs());
    default: return {};
    }
}

Variant MediaDevice::call(DispId, const Args&) { return {}; }

bool MediaDevice::engineMuted() const { return driver_ && driver_->engineMuted(); }

int MediaDevice::statusIntervalMs() const { return statusTimer_->isActive() ? statusTimer_->interval() : 0; }

QString MediaDevice::engineName() const { return isOpen() ? driver_->engineName() : QString(); }

QWidget* MediaDevice::videoWindow() const
{
    const auto& mpv = drivers_[int(MediaEngine::Mpv)];
    return mpv ? mpv->videoWindow() : nullptr;
}

// The position report: the engine's, within the media, and in plain play
// never below what was given out before.
qint64 MediaDevice::positionMs() const
{
    if (state_ == State::Closed)
        return 0;
    const qint64 length = driver_->lengthMs();
    if (state_ == State::AtEnd)
        return length;
    floor_ = std::max(floor_, std::clamp<qint64>(driver_->positionMs(), 0, length));
    return floor_;
}

void MediaDevice::command(const QString& verb)
{
    static const struct {
        const char* name;
        void (MediaDevice::*run)();
        bool needsOpen;
    } verbs[] = {
            {"open", &MediaDevice::doOpen, false}, {"close", &MediaDevice::doClose, false},
            {"play", &MediaDevice::doPlay, true},  {"pause", &MediaDevice::doPause, true},
            {"stop", &MediaDevice::doStop, true},  {"prev", &MediaDevice::doPrev, true},
            {"next", &MediaDevice::doNext, true},  {"step", &MediaDevice::doStep, true},
            {"back", &MediaDevice::doBack, true},
    };
    for (const auto& v : verbs) {
        if (verb == QLatin1String(v.name)) {
            if (!v.needsOpen || isOpen())
                (this->*v.run)();
            // Whatever the verb did shows at the next update, at full rate.
            if (isOpen()) {
                stillUpdates_ = 0;
                statusTimer_->start(kStatusIntervalMs);
            }
            return;
        }
    }
}

// The engine of the type gets ready while the user picks the file: its
// module loads on a worker, then its driver is made and starts what it needs.
void MediaDevice::chooseType(const QString& deviceType)
{
    deviceType_ = deviceType;
    bool allowVideo = false;
    if (const auto engine = engineOf(deviceType_, &allowVideo))
        whenMediaEngineReady(*engine, this, [this, e = *engine, allowVideo] {
            if (MediaDriver* d = driverOf(e))
                d->prepare(allowVideo);
        });
}

std::optional<MediaEngine> MediaDevice::engineOf(const QString& deviceType, bool* allowVideo)
{
    *allowVideo = false;
    if (sameType(deviceType, "Sequencer"))
        return MediaEngine::Fluid;
    if (sameType(deviceType, "AVIVideo") || sameType(deviceType, "MPEGVideo") || sameType(deviceType, "MPEGVideo2")) {
        *allowVideo = true;
        return MediaEngine::Mpv;
    }
    if (sameType(deviceType, "WAVEAudio"))
        return MediaEngine::Mpv;
    return std::nullopt;
}

// The engine's driver, made on first use (waiting for its module if it is
// still loading); null when the module cannot be loaded.
MediaDriver* MediaDevice::driverOf(MediaEngine engine)
{
    auto& driver = drivers_[int(engine)];
    if (!driver) {
        driver = makeMediaDriver(engine, options_.audioOutput, options_.videoOutput);
        if (!driver)
            return nullptr;
        driver->setMuted(mute_);
        connect(driver.get(), &MediaDriver::trackEnded, this, &MediaDevice::onTrackEnded);
        connect(driver.get(), &MediaDriver::failed, this, &MediaDevice::onFailed);
    }
    return driver.get();
}

// Open over anything: whatever was open is closed first (a pending
// completion with it); the new media waits at its start.
void MediaDevice::doOpen()
{
    doClose();
    bool allowVideo = false;
    const auto engine = engineOf(deviceType_, &allowVideo);
    MediaDriver* driver = engine ? driverOf(*engine) : nullptr;
    if (!driver || fileName_.isEmpty())
        return;
    const QString path = QFileInfo(fileName_).absoluteFilePath();
    driver->setMuted(mute_);
    // A playlist plays as one media of its tracks; the engine is never given
    // the list itself.
    const bool opened = playlist::isPlaylistFile(path)
            ? driver->openList(playlist::readPlaylist(path, kMaxListTracks), allowVideo)
            : driver->open(path, allowVideo);
    if (!opened)
        return;
    driver_ = driver;
    state_ = State::Stopped;
}

void MediaDevice::doClose()
{
    ++arrivals_;
    statusTimer_->stop();
    for (auto& driver : drivers_)
        if (driver)
            driver->close();
    state_ = State::Closed;
    engineEnded_ = false;
    floor_ = 0;
}

void MediaDevice::doPlay()
{
    if (engineEnded_) {
        reachEnd();  // the engine has nothing more to play
        return;
    }
    if (state_ == State::AtEnd)
        seekTo(0);
    state_ = State::Playing;
    driver_->play();
}

void MediaDevice::doPause()
{
    if (state_ != State::Playing)
        return;
    state_ = State::Paused;
    driver_->pause();
}

// Halts and keeps the place; a later "play" goes on from there.
void MediaDevice::doStop()
{
    if (state_ != State::Playing && state_ != State::Paused)
        return;
    state_ = State::Stopped;
    driver_->pause();
}

void MediaDevice::doPrev() { seekTo(0); }

void MediaDevice::doNext()
{
    const int track = driver_->currentTrack();
    if (state_ != State::AtEnd && track + 1 < driver_->trackCount())
        seekTo(driver_->trackStartMs(track + 1));
    else
        reachEnd();
}

void MediaDevice::step(int direction)
{
    const qint64 length = driver_->lengthMs();
    if (driver_->hasVideo()) {
        if (state_ == State::AtEnd) {
            if (direction < 0)
                seekTo(length - kVideoBackFromEndMs);
            return;
        }
        if (state_ == State::Playing)
            state_ = State::Paused;  // the engine halts after a frame step
        engineEnded_ = false;
        floor_ = direction < 0 ? 0 : floor_;
        driver_->frameStep(direction);
        return;
    }
    // Within the current track: past its end is the start of the next one
    // (or the end of the media), before its start is its start.
    const int track = driver_->currentTrack();
    const bool last = track + 1 >= driver_->trackCount();
    const qint64 start = driver_->trackStartMs(track);
    const qint64 end = last ? length : driver_->trackStartMs(track + 1);
    const qint64 target = positionMs() + direction * kAudioStepMs;
    if (target >= end && last)
        reachEnd();
    else if (state_ != State::AtEnd || direction < 0)
        seekTo(qBound(start, target, end));
}

// Every move that is not plain play: the position may go back to `ms`.
void MediaDevice::seekTo(qint64 ms)
{
    ms = std::clamp<qint64>(ms, 0, driver_->lengthMs());
    if (state_ == State::AtEnd)
        state_ = State::Stopped;
    engineEnded_ = false;
    floor_ = ms;
    driver_->seek(ms);
}

// One arrival at the end: the position is the length from now on, and one
// completion follows from the event loop, not from inside the caller's
// command; dropped if the device left the end (or the file) first.
void MediaDevice::reachEnd()
{
    if (state_ == State::AtEnd)
        return;
    state_ = State::AtEnd;
    engineEnded_ = false;
    driver_->seekToEnd();
    const quint64 seq = ++arrivals_;
    QTimer::singleShot(0, this, [this, seq] {
        if (seq == arrivals_ && state_ == State::AtEnd)
            raise(dispid::mci::Done, {Variant(int32_t(1))});
    });
}

void MediaDevice::onTrackEnded(int track)
{
    if (state_ == State::Closed || sender() != driver_ || track + 1 < driver_->trackCount())
        return;  // another engine, or the engine goes on with the next track
    if (state_ == State::Playing)
        reachEnd();
    else if (state_ != State::AtEnd)
        engineEnded_ = true;
}

void MediaDevice::onFailed()
{
    if (isOpen() && sender() == driver_)
        doClose();
}

// While the media is halted its position stays where the last verb put it,
// so the updates slow down once it has stood still for a while (the window
// and the engines then sleep); a verb brings the full rate back at once.
void MediaDevice::onStatusTick()
{
    const qint64 position = positionMs();
    const bool still = state_ != State::Playing && position == statusPosition_;
    stillUpdates_ = still ? stillUpdates_ + 1 : 0;
    statusPosition_ = position;
    if (stillUpdates_ >= kStillUpdatesBeforeSlowing && statusTimer_->interval() != kStillStatusIntervalMs)
        statusTimer_->setInterval(kStillStatusIntervalMs);
    raise(dispid::mci::StatusUpdate);
}

void MediaDevice::applyMute()
{
    for (auto& driver : drivers_)
        if (driver)
            driver->setMuted(mute_);
}

}  // namespace corvane
