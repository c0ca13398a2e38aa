#include "FlashPlayer.h"

#include "DispatchIds.h"
#include "FlashEngine.h"
#include "FlashModule.h"

#include <QFile>

#include <unistd.h>

namespace corvane {

void FlashPlayer::prepareApplication()
{
    if (::geteuid() == 0) {
        // Chromium's sandbox cannot run as root; only then it goes.
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
    }
}

FlashPlayer::FlashPlayer(QWidget* parent) : QWidget(parent) {}

QByteArray FlashPlayer::readMovie(const QString& path)
{
    // Whatever the file, the player gets bytes and shows what it makes of
    // them; an unreadable file gives none, and the player its own error.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A file that is no Flash movie (any file can be chosen) needs only its
    // start for the player to tell so; a movie comes whole, up to a bound
    // that keeps a huge file from flooding the memory.
    constexpr qint64 Sniff = 64 * 1024;
    constexpr qint64 Largest = 256 * 1024 * 1024;
    const QByteArray head = file.read(Sniff);
    const bool flash = head.startsWith("FWS") || head.startsWith("CWS") || head.startsWith("ZWS");
    if (!flash || file.size() > Largest)
        return head;
    return head + file.readAll();
}

FlashPlayer::~FlashPlayer() = default;

void FlashPlayer::put(DispId id, const Variant& value)
{
    if (id == dispid::flash::Movie) {
        movie_ = value.toText();
        playing_ = true;  // a new movie starts by itself
        if (!engine_ && !engineFailed_) {
            prepareApplication();  // harmless again; covers a main() that forgot
            CreateFlashEngine create = flashmodule::factory();
            if (create)
                engine_.reset(create(this));
            engineFailed_ = !engine_;
        }
        if (!engine_)
            return;  // no web module: the display stays empty
        engine_->loadMovie(readMovie(movie_), playing_, muted_);
    } else if (id == dispid::flash::Mute) {
        muted_ = value.toBool();
        if (engine_)
            engine_->setMuted(muted_);
    }
}

Variant FlashPlayer::get(DispId id)
{
    if (id == dispid::flash::Movie)
        return movie_;
    if (id == dispid::flash::Mute)
        return muted_;
    return {};
}

Variant FlashPlayer::call(DispId id, const Args&)
{
    if (id == dispid::flash::Play || id == dispid::flash::Stop) {
        playing_ = id == dispid::flash::Play;
        if (engine_)
            engine_->setPlaying(playing_);
    }
    return {};
}

}  // namespace corvane
