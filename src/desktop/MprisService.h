#pragma once
// MPRIS 2 on the session bus: the root and player interfaces on
// /org/mpris/MediaPlayer2 under org.mpris.MediaPlayer2.corvane (or, where
// another player holds that name, ...corvane.instance<pid>). Properties are
// read from the player's view when asked; refresh() tells the bus which of
// them changed. Methods go to the view as presses of its buttons.
#include "PlayerView.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace corvane {

class MprisService : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
    static constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

    MprisService(PlayerView& view, QString desktopEntry, QObject* parent = nullptr);
    ~MprisService() override;

    // Puts the object on the bus and asks for the name without waiting for
    // the answer. False, with nothing done, when the bus is not connected.
    bool start(const QDBusConnection& bus);
    // The name the bus gave, once it answered; empty before.
    QString busName() const { return busName_; }

    // What the window shows may have changed: PropertiesChanged for what did.
    void refresh();

    // For the interfaces.
    PlayerView& view() { return view_; }
    const QString& desktopEntry() const { return desktopEntry_; }
    QVariantMap metadata(const PlayerSnapshot& s);
    static QString statusText(PlaybackStatus status);
    void playPause();
    void refuseUri();

private:
    void requestName(const QString& name, bool fallBack);

    PlayerView& view_;
    QString desktopEntry_;
    QDBusConnection bus_;
    bool registered_ = false;
    QString busName_;
    QStringList asked_;     // names asked for
    PlayerSnapshot shown_;  // as last told to the bus
    QString trackFile_;     // the media the track number stands for
    quint64 track_ = 0;
};

}  // namespace corvane
