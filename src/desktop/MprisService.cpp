#include "MprisService.h"

#include "MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QUrl>

namespace corvane {

namespace {

constexpr char kBaseName[] = "org.mpris.MediaPlayer2.corvane";
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

QDBusMessage busCall(const char* method, const QVariantList& args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"), QLatin1String(method));
    m.setArguments(args);
    return m;
}

}  // namespace

MprisService::MprisService(PlayerView& view, QString desktopEntry, QObject* parent)
    : QObject(parent), view_(view), desktopEntry_(std::move(desktopEntry)),
      bus_(QDBusConnection(QStringLiteral("corvane-no-bus")))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService()
{
    if (!registered_)
        return;
    bus_.unregisterObject(QLatin1String(kObjectPath));
    // Also a name whose answer has not come yet: the bus takes the calls in
    // order.
    for (const QString& name : std::as_const(asked_))
        bus_.send(busCall("ReleaseName", {name}));
}

bool MprisService::start(const QDBusConnection& bus)
{
    if (registered_ || !bus.isConnected())
        return false;
    bus_ = bus;
    if (!bus_.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    registered_ = true;
    shown_ = view_.snapshot();
    requestName(QLatin1String(kBaseName), true);
    return true;
}

// Asks for the name; where another player has it, for this instance's own.
void MprisService::requestName(const QString& name, bool fallBack)
{
    asked_.append(name);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(busCall("RequestName", {name, kDoNotQueue})), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name, fallBack] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isValid() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner))
            busName_ = name;
        else if (fallBack)
            requestName(name + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid()),
                        false);
    });
}

QString MprisService::statusText(PlaybackStatus status)
{
    switch (status) {
    case PlaybackStatus::Playing: return QStringLiteral("Playing");
    case PlaybackStatus::Paused: return QStringLiteral("Paused");
    case PlaybackStatus::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata(const PlayerSnapshot& s)
{
    if (s.file != trackFile_) {
        trackFile_ = s.file;
        ++track_;
    }
    if (s.file.isEmpty())
        return {};
    const QFileInfo info(s.file);
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/corvane/track/%1").arg(track_))));
    m.insert(QStringLiteral("xesam:title"), info.fileName());
    m.insert(QStringLiteral("xesam:url"),
             QString::fromLatin1(QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded()));
    if (s.lengthMs >= 0)
        m.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong(s.lengthMs) * 1000));
    return m;
}

void MprisService::playPause()
{
    view_.press(view_.snapshot().status == PlaybackStatus::Playing ? Transport::Pause : Transport::Play);
}

void MprisService::refuseUri()
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::NotSupported, QStringLiteral("Files are opened in the player's own dialog"));
}

void MprisService::refresh()
{
    if (!registered_)
        return;
    const PlayerSnapshot now = view_.snapshot();
    if (now.sameShown(shown_))
        return;
    QVariantMap changed;
    if (now.status != shown_.status)
        changed.insert(QStringLiteral("PlaybackStatus"), statusText(now.status));
    if (now.file != shown_.file || now.lengthMs != shown_.lengthMs)
        changed.insert(QStringLiteral("Metadata"), metadata(now));
    const auto flag = [&changed](const char* name, bool was, bool is) {
        if (was != is)
            changed.insert(QLatin1String(name), is);
    };
    flag("CanPlay", shown_.canPlay, now.canPlay);
    flag("CanPause", shown_.canPause, now.canPause);
    flag("CanGoNext", shown_.canGoNext, now.canGoNext);
    flag("CanGoPrevious", shown_.canGoPrevious, now.canGoPrevious);
    if (now.muted != shown_.muted)
        changed.insert(QStringLiteral("Volume"), now.muted ? 0.0 : 1.0);
    shown_ = now;
    QDBusMessage signal =
            QDBusMessage::createSignal(QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
    signal.setArguments({QLatin1String(kPlayerInterface), changed, QStringList()});
    bus_.send(signal);
}

}  // namespace corvane
