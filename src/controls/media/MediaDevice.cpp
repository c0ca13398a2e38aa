#include "MediaDevice.h"

#include "DispatchIds.h"
#include "FluidDriver.h"
#include "MpvDriver.h"
#include "Playlist.h"
#include "VideoWindow.h"

#include <algorithm>
#include <limits>
#include <QFileInfo>
#include <QTimer>

namespace corvane {

namespace {

constexpr qint64 kAudioStepMs = 5000;
// Tracks of a playlist probed at most; later entries are dropped.
constexpr int kMaxListTracks = playlist::kMaxTracks;

int32_t toInt32(qint64 v) { return int32_t(std::clamp<qint64>(v, 0, std::numeric_limits<int32_t>::max())); }

}  // namespace

MediaDevice::MediaDevice(QObject* parent, MediaDeviceOptions options)
    : QObject(parent), options_(std::move(options)), statusTimer_(new QTimer(this))
{
    statusTimer_->setInterval(kStatusIntervalMs);
    connect(statusTimer_, &QTimer::timeout, this, [this] { raise(dispid::mci::StatusUpdate); });
}

MediaDevice::~MediaDevice()
{
    statusTimer_->stop();
    // Drivers go first and in a fixed order; each shuts its engine down.
    fluid_.reset();
    mpv_.reset();
}

void MediaDevice::put(DispId id, const Variant& value)
{
    using namespace dispid::mci;
    switch (id) {
    case DeviceType: deviceType_ = value.toText(); break;
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
    case Length: return toInt32(open_ ? driver_->lengthMs() : 0);
    case Position: return toInt32(positionMs());
    default: return {};
    }
}

Variant MediaDevice::call(DispId, const Args&) { return {}; }

bool MediaDevice::engineMuted() const
{
    if (driver_)
        return driver_->engineMuted();
    return false;
}

QString MediaDevice::engineName() const
{
    if (!open_)
        return {};
    return driver_ == mpv_.get() ? QStringLiteral("mpv") : QStringLiteral("fluidsynth");
}

VideoWindow* MediaDevice::videoWindow() const { return mpv_ ? mpv_->videoWindow() : nullptr; }

qint64 MediaDevice::positionMs() const
{
    if (!open_)
        return 0;
    const qint64 length = driver_->lengthMs();
    if (atEnd_)
        return length;
    return qBound<qint64>(0, driver_->positionMs(), length);
}

void MediaDevice::command(const QString& verb)
{
    if (verb == QLatin1String("open")) {
        doOpen();
        return;
    }
    if (verb == QLatin1String("close")) {
        doClose();
        return;
    }
    if (!open_)
        return;
    if (verb == QLatin1String("play")) {
        doPlay();
    } else if (verb == QLatin1String("pause") || verb == QLatin1String("stop")) {
        // Both halt and keep the place; a later "play" goes on from there.
        playing_ = false;
        driver_->pause();
    } else if (verb == QLatin1String("prev")) {
        atEnd_ = false;
        driver_->seek(0);  // the start of the first track
    } else if (verb == QLatin1String("next")) {
        const int track = driver_->currentTrack();
        if (!atEnd_ && track + 1 < driver_->trackCount())
            driver_->seek(driver_->trackStartMs(track + 1));
        else
            goToEnd();
    } else if (verb == QLatin1String("step")) {
        doStep(+1);
    } else if (verb == QLatin1String("back")) {
        doStep(-1);
    }
}

MediaDriver* MediaDevice::driverFor(const QString& deviceType, bool* allowVideo)
{
    *allowVideo = false;
    if (deviceType.compare(QLatin1String("Sequencer"), Qt::CaseInsensitive) == 0) {
        if (!fluid_) {
            fluid_ = std::make_unique<FluidDriver>(options_.audioOutput);
            connect(fluid_.get(), &MediaDriver::ended, this, &MediaDevice::onDriverEnded);
            connect(fluid_.get(), &MediaDriver::failed, this, &MediaDevice::onDriverFailed);
        }
        return fluid_.get();
    }
    static const char* const mpvTypes[] = {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2"};
    for (const char* t : mpvTypes) {
        if (deviceType.compare(QLatin1String(t), Qt::CaseInsensitive) != 0)
            continue;
        *allowVideo = deviceType.compare(QLatin1String("WAVEAudio"), Qt::CaseInsensitive) != 0;
        if (!mpv_) {
            mpv_ = std::make_unique<MpvDriver>(options_.audioOutput, options_.videoOutput);
            connect(mpv_.get(), &MediaDriver::ended, this, &MediaDevice::onDriverEnded);
            connect(mpv_.get(), &MediaDriver::failed, this, &MediaDevice::onDriverFailed);
        }
        return mpv_.get();
    }
    return nullptr;
}

void MediaDevice::doOpen()
{
    doClose();
    bool allowVideo = false;
    MediaDriver* driver = driverFor(deviceType_, &allowVideo);
    if (!driver || fileName_.isEmpty())
        return;
    const QString path = QFileInfo(fileName_).absoluteFilePath();
    driver->setMuted(mute_);
    // A playlist plays as one media of its tracks; mpv is never given the
    // list itself.
    const bool opened = driver == mpv_.get() && playlist::isPlaylistFile(path)
            ? mpv_->openList(playlist::readPlaylist(path, kMaxListTracks), allowVideo)
            : driver->open(path, allowVideo);
    if (!opened)
        return;
    driver_ = driver;
    open_ = true;
    statusTimer_->start();
}

void MediaDevice::doClose()
{
    ++completions_;
    statusTimer_->stop();
    if (mpv_)
        mpv_->close();
    if (fluid_)
        fluid_->close();
    open_ = false;
    playing_ = false;
    atEnd_ = false;
}

void MediaDevice::doPlay()
{
    if (atEnd_) {
        atEnd_ = false;
        driver_->seek(0);
    }
    playing_ = true;
    driver_->play();
}

void MediaDevice::doStep(int direction)
{
    if (driver_->hasVideo()) {
        playing_ = false;
        atEnd_ = false;
        driver_->frameStep(direction);
        return;
    }
    // Within the current track: past its end is the start of the next one
    // (or the end of the media), before its start is its start.
    const int track = driver_->currentTrack();
    const bool last = track + 1 >= driver_->trackCount();
    const qint64 start = driver_->trackStartMs(track);
    const qint64 end = last ? driver_->lengthMs() : driver_->trackStartMs(track + 1);
    const qint64 target = positionMs() + direction * kAudioStepMs;
    if (target >= end && last) {
        goToEnd();
        return;
    }
    atEnd_ = false;
    driver_->seek(qBound(start, target, end));
}

void MediaDevice::goToEnd()
{
    if (atEnd_)
        return;
    atEnd_ = true;
    playing_ = false;
    driver_->seekToEnd();
    // Delivered from the event loop, not from inside the caller's command;
    // dropped if the device left the end (or the file) in the meantime.
    const quint64 seq = ++completions_;
    QTimer::singleShot(0, this, [this, seq] {
        if (seq == completions_ && open_ && atEnd_)
            raise(dispid::mci::Done, {Variant(int32_t(1))});
    });
}

void MediaDevice::onDriverEnded()
{
    if (!open_ || sender() != driver_ || !playing_)
        return;
    goToEnd();
}

void MediaDevice::onDriverFailed()
{
    if (open_ && sender() == driver_)
        doClose();
}

void MediaDevice::applyMute()
{
    if (mpv_)
        mpv_->setMuted(mute_);
    if (fluid_)
        fluid_->setMuted(mute_);
}

}  // namespace corvane
