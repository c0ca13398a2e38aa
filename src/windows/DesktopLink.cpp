#include "DesktopLink.h"

#include "CorvaneVersion.h"
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "MprisService.h"
#include "ScreenSaverInhibitor.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QTimer>

namespace corvane {

using namespace dispid;

DesktopLink::DesktopLink(Form1& form, const QDBusConnection& bus)
    : QObject(&form), form_(form), mpris_(new MprisService(*this, QStringLiteral(CORVANE_APP_ID), this)),
      inhibitor_(new ScreenSaverInhibitor(this)), quiet_(new QTimer(this))
{
    quiet_->setSingleShot(true);
    connect(quiet_, &QTimer::timeout, this, &DesktopLink::update);
    connect(&form_, &Form1::handled, this, &DesktopLink::update);
    // A movie whose engine went away stopped without a click.
    if (auto* flash = qobject_cast<FlashPlayer*>(form_.widget(QStringLiteral("ShockwaveFlash1"))))
        connect(flash, &FlashPlayer::stoppedByEngine, this, &DesktopLink::update);
    if (!bus.isConnected())
        return;
    mpris_->start(bus);
    inhibitor_->start(bus);
}

DesktopLink::~DesktopLink() = default;

MediaDevice& DesktopLink::device() const { return *static_cast<MediaDevice*>(form_.dispatch("MMControl1")); }

bool DesktopLink::enabled(const char* button) const { return form_.widget(QLatin1String(button))->isEnabled(); }

bool DesktopLink::flashPlaying() const
{
    Dispatch& flash = *form_.dispatch(QStringLiteral("ShockwaveFlash1"));
    return !flash.get(flash::Movie).toText().isEmpty() && flash.get(flash::Playing).toBool();
}

// The device's media first (the slider follows it), else a running movie.
PlayerSnapshot DesktopLink::snapshot() const
{
    PlayerSnapshot s;
    MediaDevice& dev = device();
    if (dev.isOpen()) {
        s.file = dev.get(mci::FileName).toText();
        s.lengthMs = dev.get(mci::Length).toInt();
        if (dev.isPlaying())
            s.status = PlaybackStatus::Playing;
        else if (dev.get(mci::Position).toInt() > 0)
            s.status = PlaybackStatus::Paused;
    } else if (flashPlaying()) {
        s.file = form_.dispatch(QStringLiteral("ShockwaveFlash1"))->get(flash::Movie).toText();
        s.status = PlaybackStatus::Playing;
    }
    if (!s.file.isEmpty())
        s.positionMs = qobject_cast<QSlider*>(form_.widget(QStringLiteral("Slider1")))->value();
    s.canPlay = enabled("CommandSCE2");
    s.canPause = enabled("CommandSCE3");
    s.canGoNext = enabled("CommandSCE6");
    s.canGoPrevious = enabled("CommandSCE1");
    s.muted = qobject_cast<QCheckBox*>(form_.widget(QStringLiteral("Check1")))->isChecked();
    return s;
}

bool DesktopLink::pictureShowing() const
{
    MediaDevice& dev = device();
    const QWidget* window = dev.videoWindow();
    return (dev.isPlaying() && window && window->isVisible()) || flashPlaying();
}

// A click on the button: disabled, it does nothing.
void DesktopLink::press(Transport button)
{
    static const char* const names[] = {"CommandSCE2", "CommandSCE3", "CommandSCE7", "CommandSCE6", "CommandSCE1"};
    qobject_cast<QAbstractButton*>(form_.widget(QLatin1String(names[int(button)])))->click();
}

void DesktopLink::setMuted(bool muted)
{
    auto* box = qobject_cast<QCheckBox*>(form_.widget(QStringLiteral("Check1")));
    if (box->isChecked() != muted)
        box->click();
}

void DesktopLink::raiseWindow()
{
    form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
    form_.show();
    form_.raise();
    form_.activateWindow();
}

void DesktopLink::quit() { form_.menuItem(QStringLiteral("exit"))->trigger(); }

void DesktopLink::update()
{
    mpris_->refresh();
    inhibitor_->setWanted(pictureShowing());
    // Two of the device's status intervals without an update: it closed.
    if (const int interval = device().statusIntervalMs())
        quiet_->start(2 * interval);
}

}  // namespace corvane
