#pragma once
// The main window on the desktop's session bus: MPRIS 2 answers from what
// the window and its controls show, and its methods click the window's own
// buttons; the screen is kept awake while a picture plays. Made as a child
// of the window, it goes with it.
#include "PlayerView.h"

#include <QDBusConnection>
#include <QObject>

class QTimer;

namespace corvane {

class Form1;
class MediaDevice;
class MprisService;
class ScreenSaverInhibitor;

class DesktopLink : public QObject, public PlayerView {
    Q_OBJECT
public:
    // Without a connected bus the window works as before and nothing is said.
    explicit DesktopLink(Form1& form, const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~DesktopLink() override;

    PlayerSnapshot snapshot() const override;
    void press(Transport button) override;
    void setMuted(bool muted) override;
    void raiseWindow() override;
    void quit() override;

    // A video's picture shows while it plays, or a Flash movie plays.
    bool pictureShowing() const;
    MprisService& mpris() { return *mpris_; }
    ScreenSaverInhibitor& inhibitor() { return *inhibitor_; }

private:
    void update();
    MediaDevice& device() const;
    bool flashPlaying() const;
    bool enabled(const char* button) const;

    Form1& form_;
    MprisService* mpris_;
    ScreenSaverInhibitor* inhibitor_;
    // Fires once the device's status updates stop: it closed by itself. Its
    // time follows the device's interval, which is long while nothing plays.
    QTimer* quiet_;
};

}  // namespace corvane
