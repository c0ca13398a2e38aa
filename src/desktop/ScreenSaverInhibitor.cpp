#include "ScreenSaverInhibitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

namespace corvane {

namespace {

struct InhibitService {
    const char* name;
    const char* path;
    const char* interface;
};

// The screen saver's own first (KDE, Xfce, LXQt, GNOME's compatibility
// service), the power manager's where that is missing.
constexpr InhibitService kServices[] = {
        {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
        {"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
         "org.freedesktop.PowerManagement.Inhibit"},
};

QDBusMessage serviceCall(int service, const char* method, const QVariantList& args)
{
    const InhibitService& s = kServices[service];
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(s.name), QLatin1String(s.path),
                                                    QLatin1String(s.interface), QLatin1String(method));
    m.setArguments(args);
    return m;
}

}  // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject* parent)
    : QObject(parent), bus_(QDBusConnection(QStringLiteral("corvane-no-bus")))
{}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    if (held_)
        bus_.send(serviceCall(service_, "UnInhibit", {cookie_}));
}

void ScreenSaverInhibitor::start(const QDBusConnection& bus)
{
    bus_ = bus;
    settle();
}

void ScreenSaverInhibitor::setWanted(bool wanted)
{
    if (wanted == wanted_)
        return;
    wanted_ = wanted;
    refused_ = false;
    settle();
}

// One call at a time, until what is held is what is wanted.
void ScreenSaverInhibitor::settle()
{
    if (busy_ || !bus_.isConnected())
        return;
    if (wanted_ && !held_ && !refused_)
        inhibit(service_, true);
    else if (!wanted_ && held_)
        unInhibit();
}

void ScreenSaverInhibitor::inhibit(int service, bool orTheOther)
{
    busy_ = true;
    const QVariantList args{QStringLiteral("Corvane"), QStringLiteral("正在播放视频")};
    // The answer may come after this object is gone: what it grants is then
    // taken back at once.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(serviceCall(service, "Inhibit", args)),
                                                QCoreApplication::instance());
    const QPointer<ScreenSaverInhibitor> self(this);
    const QDBusConnection bus = bus_;
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [self, bus, watcher, service, orTheOther] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (self)
            self->inhibitAnswered(reply, service, orTheOther);
        else if (reply.isValid())
            bus.send(serviceCall(service, "UnInhibit", {reply.value()}));
    });
}

void ScreenSaverInhibitor::inhibitAnswered(const QDBusPendingReply<uint>& reply, int service, bool orTheOther)
{
    busy_ = false;
    if (reply.isValid()) {
        held_ = true;
        cookie_ = reply.value();
        service_ = service;
    } else if (orTheOther) {
        inhibit(1 - service, false);
        return;
    } else {
        refused_ = true;
    }
    settle();
}

void ScreenSaverInhibitor::unInhibit()
{
    busy_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(serviceCall(service_, "UnInhibit", {cookie_})), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        busy_ = false;
        held_ = false;  // taken back, or its holder is gone
        settle();
    });
}

}  // namespace corvane
