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

FlashPlayer::~FlashPlayer() = default;

void FlashPlayer::put(DispId id, const Variant& value)
{
    if (id == dispid::flash::Movie) {
        movie_ = value.toText();
        playing_ = true; // a new movie starts by itself
        if (!engine_ && !engineFailed_) {
            prepareApplication(); // harmless again; covers a main() that forgot
            CreateFlashEngine create = flashmodule::factory();
            if (create)
                engine_.reset(create(this));
            engineFailed_ = !engine_;
        }
        if (!engine_)
            return; // no web module: the display stays empty
        QFile file(movie_);
        // An unreadable file goes to the player as no bytes: it shows its
        // own error for it.
        engine_->loadMovie(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), playing_, muted_);
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

} // namespace corvane
