#pragma once
// Keeps the screen awake while the player asks for it: an inhibit of
// org.freedesktop.ScreenSaver, or where that service is missing, of
// org.freedesktop.PowerManagement.Inhibit. Every call is asynchronous; a
// change of mind while a call is under way is acted on when it returns.
// Without either service nothing happens and nothing is printed.
#include <QDBusConnection>
#include <QDBusPendingReply>
#include <QObject>

namespace corvane {

class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(QObject* parent = nullptr);
    // Lifts a held inhibit.
    ~ScreenSaverInhibitor() override;

    // The bus to use; until then (or without a connected bus) nothing is sent.
    void start(const QDBusConnection& bus);
    void setWanted(bool wanted);
    bool wanted() const { return wanted_; }
    // An inhibit is held now (the service answered and it was not lifted).
    bool held() const { return held_; }

private:
    void settle();
    void inhibit(int service, bool orTheOther);
    void inhibitAnswered(const QDBusPendingReply<uint>& reply, int service, bool orTheOther);
    void unInhibit();

    QDBusConnection bus_;
    bool wanted_ = false;
    bool busy_ = false;     // a call is under way
    bool refused_ = false;  // neither service took this wish; wait for the next
    bool held_ = false;
    uint cookie_ = 0;  // of the inhibit held
    int service_ = 0;  // the one that answered last, asked first
};

}  // namespace corvane
