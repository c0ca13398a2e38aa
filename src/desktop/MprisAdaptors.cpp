#include "MprisAdaptors.h"

#include "MprisService.h"

namespace corvane {

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service)
{
    setAutoRelaySignals(false);
}

QString MprisRootAdaptor::identity() const { return QStringLiteral("Corvane"); }
QString MprisRootAdaptor::desktopEntry() const { return service_->desktopEntry(); }
void MprisRootAdaptor::Raise() { service_->view().raiseWindow(); }
void MprisRootAdaptor::Quit() { service_->view().quit(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service)
{
    setAutoRelaySignals(false);
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return MprisService::statusText(service_->view().snapshot().status);
}

QVariantMap MprisPlayerAdaptor::metadata() const { return service_->metadata(service_->view().snapshot()); }
qlonglong MprisPlayerAdaptor::position() const { return service_->view().snapshot().positionMs * 1000; }
double MprisPlayerAdaptor::volume() const { return service_->view().snapshot().muted ? 0.0 : 1.0; }
// 0 is the mute box ticked, anything above it the box cleared.
void MprisPlayerAdaptor::setVolume(double volume) { service_->view().setMuted(!(volume > 0.0)); }
bool MprisPlayerAdaptor::canPlay() const { return service_->view().snapshot().canPlay; }
bool MprisPlayerAdaptor::canPause() const { return service_->view().snapshot().canPause; }
bool MprisPlayerAdaptor::canGoNext() const { return service_->view().snapshot().canGoNext; }
bool MprisPlayerAdaptor::canGoPrevious() const { return service_->view().snapshot().canGoPrevious; }

void MprisPlayerAdaptor::Play() { service_->view().press(Transport::Play); }
void MprisPlayerAdaptor::Pause() { service_->view().press(Transport::Pause); }
void MprisPlayerAdaptor::PlayPause() { service_->playPause(); }
void MprisPlayerAdaptor::Stop() { service_->view().press(Transport::Stop); }
void MprisPlayerAdaptor::Next() { service_->view().press(Transport::Next); }
void MprisPlayerAdaptor::Previous() { service_->view().press(Transport::Previous); }
void MprisPlayerAdaptor::OpenUri(const QString&) { service_->refuseUri(); }

}  // namespace corvane
