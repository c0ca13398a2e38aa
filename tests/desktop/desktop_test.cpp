// The player on a private session bus, as a desktop drives it: MPRIS 2 calls
// from a connection of their own against the real window and device, and a
// stand-in screen saver that records what it is asked. The suite's bus comes
// from scripts/session.sh.
#include "DesktopLink.h"
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "Form1.h"
#include "media/VideoWindow.h"
#include "MprisService.h"
#include "ScreenSaverInhibitor.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "SwfWriter.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QSlider>
#include <QtTest>

using namespace corvane;
using namespace corvane::dispid;

// Answers Inhibit and UnInhibit as a screen saver (or power manager) does,
// and keeps each call with the time it came.
class InhibitStandIn : public QObject {
    Q_OBJECT
public:
    struct Call {
        bool inhibit;
        uint cookie;
        QString reason;
        qint64 atMs;
    };
    QList<Call> calls;
    QSet<uint> held;
    QElapsedTimer clock;
    uint nextCookie = 7;

    InhibitStandIn() { clock.start(); }
    int count(bool inhibit) const
    {
        return int(
                std::count_if(calls.begin(), calls.end(), [inhibit](const Call& c) { return c.inhibit == inhibit; }));
    }

public slots:
    uint Inhibit(const QString&, const QString& reason)
    {
        calls.append({true, nextCookie, reason, clock.elapsed()});
        held.insert(nextCookie);
        return nextCookie++;
    }
    void UnInhibit(uint cookie)
    {
        calls.append({false, cookie, {}, clock.elapsed()});
        held.remove(cookie);
    }
};

// A player that is not there: for the second instance's name.
struct NoPlayer : PlayerView {
    PlayerSnapshot snapshot() const override { return {}; }
    void press(Transport) override {}
    void setMuted(bool) override {}
    void raiseWindow() override {}
    void quit() override {}
};

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mprisGoesThroughTheWindowsButtons();
    void screenKeptAwakeOnlyWhileAPicturePlays();
    void powerManagerWhereNoScreenSaver();

public slots:
    void changed(const QString&, const QVariantMap& properties, const QStringList&) { changes.append(properties); }

private:
    void makeWindow(const MediaDeviceOptions& outputs);
    void open(const char* kindButton, const QString& path)
    {
        answer.arm(path);
        button(kindButton)->click();
        QVERIFY(answer.seen);
    }
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {});
    QVariant property(const QString& name);
    QVariantMap metadata();
    QDBusMessage setProperty(const QString& name, const QVariant& value)
    {
        return call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                    {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QDBusMessage player(const char* method, const QVariantList& args = {})
    {
        return call(kPlayer, QLatin1String(method), args);
    }
    QString status() { return property(QStringLiteral("PlaybackStatus")).toString(); }
    bool sawChange(const QString& name, const QVariant& value) const
    {
        return std::any_of(changes.begin(), changes.end(),
                           [&](const QVariantMap& m) { return m.contains(name) && m.value(name) == value; });
    }
    QAbstractButton* button(const char* name) { return qobject_cast<QAbstractButton*>(form->widget(name)); }
    QCheckBox* check(const char* name) { return qobject_cast<QCheckBox*>(form->widget(name)); }
    MediaDevice* device() { return static_cast<MediaDevice*>(form->dispatch("MMControl1")); }
    int position() { return device()->get(mci::Position).toInt(); }
    QSlider* slider() { return qobject_cast<QSlider*>(form->widget("Slider1")); }

    const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
    QTemporaryDir dir;
    SecondaryWindows secondary;
    QPointer<Form1> form;
    DesktopLink* link = nullptr;
    test::DialogAnswer answer;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    QString service;
    QList<QVariantMap> changes;
};

void DesktopTest::initTestCase()
{
    installLanguageAndFonts();
    QVERIFY2(QDBusConnection::sessionBus().isConnected() && client.isConnected(),
             "no session bus: source scripts/session.sh");
}

void DesktopTest::makeWindow(const MediaDeviceOptions& outputs)
{
    delete form.data();
    form = new Form1(secondary, outputs);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    link = new DesktopLink(*form, QDBusConnection::sessionBus());
    QTRY_VERIFY(!link->mpris().busName().isEmpty());
    service = link->mpris().busName();
}

// Asynchronous: the player answers on this same thread.
QDBusMessage DesktopTest::call(const QString& interface, const QString& method, const QVariantList& args)
{
    QDBusMessage m =
            QDBusMessage::createMethodCall(service, QStringLiteral("/org/mpris/MediaPlayer2"), interface, method);
    m.setArguments(args);
    QDBusPendingCall pending = client.asyncCall(m, 10000);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 15000))
        return {};
    return pending.reply();
}

QVariant DesktopTest::property(const QString& name)
{
    const QString interface = name == QLatin1String("Identity") || name == QLatin1String("DesktopEntry")
            ? QStringLiteral("org.mpris.MediaPlayer2")
            : kPlayer;
    const QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QVariantMap DesktopTest::metadata()
{
    return qdbus_cast<QVariantMap>(property(QStringLiteral("Metadata")).value<QDBusArgument>());
}

void DesktopTest::mprisGoesThroughTheWindowsButtons()
{
    const QString wav = test::makeWav(dir.path(), QStringLiteral("三秒 tone.wav"), 3.0);
    makeWindow({QStringLiteral("null"), QStringLiteral("null")});
    QVERIFY(client.connect(service, QStringLiteral("/org/mpris/MediaPlayer2"),
                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), this,
                           SLOT(changed(QString, QVariantMap, QStringList))));
    QCOMPARE(property("Identity").toString(), QStringLiteral("Corvane"));
    QCOMPARE(property("DesktopEntry").toString(), QStringLiteral("org.example.corvane"));

    // Idle: nothing to play, and Play does what the disabled button does.
    QCOMPARE(status(), QStringLiteral("Stopped"));
    QVERIFY(metadata().isEmpty() && !property("CanPlay").toBool());
    QCOMPARE(player("Play").type(), QDBusMessage::ReplyMessage);
    QVERIFY(!device()->isOpen() && button("Command1")->isEnabled());

    // Opened in the window: Playing, with the file in the metadata.
    open("Command2", wav);
    QTRY_VERIFY(sawChange("PlaybackStatus", "Playing") && sawChange("CanPlay", true));
    const QVariantMap m = metadata();
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("三秒 tone.wav"));
    QCOMPARE(m.value("xesam:url").toString(), QString::fromLatin1(QUrl::fromLocalFile(wav).toEncoded()));
    QCOMPARE(m.value("mpris:length").toLongLong(), 1000LL * device()->get(mci::Length).toInt());
    QVERIFY(m.value("mpris:trackid").canConvert<QDBusObjectPath>());
    QTRY_VERIFY(position() > 1200);

    // Pause, play-pause both ways and play, each as its button.
    changes.clear();
    QCOMPARE(player("Pause").type(), QDBusMessage::ReplyMessage);
    QVERIFY(device()->isOpen() && !device()->isPlaying() && button("CommandSCE7")->isEnabled());
    QCOMPARE(status(), QStringLiteral("Paused"));
    QTRY_VERIFY(sawChange("PlaybackStatus", "Paused"));
    QTRY_COMPARE(slider()->value(), position());
    QCOMPARE(property("Position").toLongLong(), 1000LL * slider()->value());
    player("PlayPause");
    QVERIFY(device()->isPlaying());
    QCOMPARE(status(), QStringLiteral("Playing"));
    player("PlayPause");
    QVERIFY(!device()->isPlaying());
    player("Play");
    QVERIFY(device()->isPlaying());

    // Previous is rewind-and-play; Next runs to the end, which without
    // repeat leaves it stopped at the start, still loaded.
    player("Previous");
    QVERIFY(device()->isPlaying() && position() < 1000);
    changes.clear();
    player("Next");
    QTRY_COMPARE(status(), QStringLiteral("Stopped"));
    QVERIFY(device()->isOpen() && !device()->isPlaying() && position() == 0 && button("CommandSCE2")->isEnabled());
    QTRY_VERIFY(sawChange("PlaybackStatus", "Stopped"));

    // Volume is the mute box.
    QCOMPARE(setProperty("Volume", 0.0).type(), QDBusMessage::ReplyMessage);
    QVERIFY(check("Check1")->isChecked() && device()->get(mci::Mute).toBool());
    QCOMPARE(property("Volume").toDouble(), 0.0);
    QTRY_VERIFY(sawChange("Volume", 0.0));
    setProperty("Volume", 0.4);
    QVERIFY(!check("Check1")->isChecked() && !device()->get(mci::Mute).toBool());

    // Bad calls get errors; they and the calls that do nothing change nothing.
    player("Play");
    QTRY_VERIFY(position() > 300);
    player("Pause");
    // The engine halts asynchronously: wait until the position stands.
    for (int last = -1, now = position(); now != last; now = position()) {
        last = now;
        QTest::qWait(250);
    }
    const auto state = [this] {
        return QStringLiteral("open %1 playing %2 muted %3 idle %4 %5")
                .arg(device()->isOpen())
                .arg(device()->isPlaying())
                .arg(check("Check1")->isChecked())
                .arg(button("Command1")->isEnabled())
                .arg(status());
    };
    const auto before = state();
    const int at = position();
    QCOMPARE(player("Play", {42}).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Stop", {QStringLiteral("now")}).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Rewind").type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("OpenUri", {QString::fromLatin1(QUrl::fromLocalFile(wav).toEncoded())}).errorName(),
             QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
    QCOMPARE(setProperty("Volume", QStringLiteral("loud")).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Seek", {qlonglong(-1000000)}).type(), QDBusMessage::ReplyMessage);
    player("SetPosition", {QVariant::fromValue(QDBusObjectPath("/x")), qlonglong(2000000)});
    QCOMPARE(state(), before);
    QVERIFY(qAbs(position() - at) < 100);  // a paused engine may still report a few ms on

    // Stop is the stop button: the device closes, the window goes idle.
    changes.clear();
    player("Stop");
    QVERIFY(!device()->isOpen() && button("Command1")->isEnabled() && !button("CommandSCE7")->isEnabled()
            && !check("Check1")->isEnabled());
    QCOMPARE(status(), QStringLiteral("Stopped"));
    QVERIFY(metadata().isEmpty() && !property("CanPlay").toBool());
    QTRY_VERIFY(sawChange("CanPlay", false) && sawChange("CanPause", false));
    QVERIFY(std::any_of(changes.begin(), changes.end(), [](const QVariantMap& c) {
        return c.contains("Metadata") && qdbus_cast<QVariantMap>(c.value("Metadata").value<QDBusArgument>()).isEmpty();
    }));

    // A second player on the bus gets a name of its own.
    NoPlayer nobody;
    MprisService second(nobody, QStringLiteral("x"));
    QVERIFY(second.start(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"))));
    QTRY_VERIFY(!second.busName().isEmpty());
    QCOMPARE(second.busName(),
             service + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid()));

    // Raise shows the window; Quit ends the program as the exit item does.
    form->setWindowState(Qt::WindowMinimized);
    call(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    QVERIFY(form->isVisible() && !(form->windowState() & Qt::WindowMinimized));
    QTimer::singleShot(0, this, [this] {
        client.asyncCall(QDBusMessage::createMethodCall(service, QStringLiteral("/org/mpris/MediaPlayer2"),
                                                        QStringLiteral("org.mpris.MediaPlayer2"),
                                                        QStringLiteral("Quit")));
    });
    QTimer guard;  // a Quit that went nowhere
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(15000);
    QCOMPARE(QApplication::exec(), 0);
}

void DesktopTest::screenKeptAwakeOnlyWhileAPicturePlays()
{
    InhibitStandIn saver;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("saver"));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"),
                               QStringLiteral("org.freedesktop.ScreenSaver"), &saver, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    const QString avi = test::makeMedia(dir.path(), "clip.avi",
                                        QString("-f lavfi -i color=red:size=160x120:duration=3 -f lavfi -i "
                                                "sine=duration=3 -q:v 2")
                                                .split(' '));
    const QString wav = test::makeWav(dir.path(), QStringLiteral("tone.wav"), 3.0);
    const QString swf = test::writeFile(dir.path(), "movie.swf", test::writeSwf({}));
    makeWindow({QStringLiteral("null"), QString()});
    const auto after = [&saver](qint64 since) { return saver.calls.last().atMs - since; };

    // A video: held while it plays in its window.
    qint64 t = saver.clock.elapsed();
    open("Command1", avi);
    QTRY_COMPARE_WITH_TIMEOUT(saver.count(true), 1, 5000);
    qInfo("Inhibit %lld ms after the video was opened", after(t));
    QCOMPARE(saver.calls.last().reason, QStringLiteral("正在播放视频"));
    QPointer<VideoWindow> window = device()->videoWindow();
    QVERIFY(window && window->isVisible());
    QTRY_VERIFY(position() > 500);
    // Pause lifts it, play takes it again.
    t = saver.clock.elapsed();
    button("CommandSCE3")->click();
    QTRY_COMPARE(saver.count(false), 1);
    qInfo("UnInhibit %lld ms after pause", after(t));
    QCOMPARE(saver.calls.last().cookie, saver.calls.first().cookie);
    button("CommandSCE2")->click();
    QTRY_COMPARE(saver.count(true), 2);
    // The close box hides the picture; the sound goes on unheld.
    window->close();
    QTRY_COMPARE(saver.count(false), 2);
    QVERIFY(device()->isPlaying() && saver.held.isEmpty());

    // Shown again and played to its end: lifted at the end.
    button("CommandSCE7")->click();
    open("Command1", avi);
    QTRY_COMPARE_WITH_TIMEOUT(saver.count(true), 3, 5000);
    QVERIFY(QTest::qWaitFor([this] { return !device()->isPlaying(); }, 8000));
    t = saver.clock.elapsed();
    QTRY_COMPARE(saver.count(false), 3);
    qInfo("UnInhibit %lld ms after the end was seen", after(t));
    QVERIFY(saver.held.isEmpty());

    // Sound alone never holds it: a .wav, and a video opened as audio.
    button("CommandSCE7")->click();
    open("Command2", wav);
    QTRY_VERIFY(position() > 600);
    button("CommandSCE7")->click();
    open("Command2", avi);
    QTRY_VERIFY(position() > 600);
    QVERIFY(device()->isPlaying() && !window->isVisible());
    QCOMPARE(saver.calls.size(), 6);

    // A Flash movie holds it while it plays; its pause button does nothing.
    button("CommandSCE7")->click();
    open("Command6", swf);
    QTRY_COMPARE(saver.count(true), 4);
    player("Pause");
    QCOMPARE(status(), QStringLiteral("Playing"));
    button("CommandSCE7")->click();
    QTRY_COMPARE(saver.count(false), 4);

    // Closing the window lifts a held one.
    open("Command6", swf);
    QTRY_COMPARE(saver.count(true), 5);
    delete form.data();
    QTRY_VERIFY(saver.held.isEmpty());
    QVERIFY(bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver")));
}

void DesktopTest::powerManagerWhereNoScreenSaver()
{
    InhibitStandIn power;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("power"));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
                               QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), &power,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.PowerManagement")));
    ScreenSaverInhibitor inhibitor;
    inhibitor.start(QDBusConnection::sessionBus());
    inhibitor.setWanted(true);
    QTRY_VERIFY(inhibitor.held());
    inhibitor.setWanted(false);
    inhibitor.setWanted(true);
    inhibitor.setWanted(false);  // changes of mind while a call is out
    QTRY_VERIFY(!inhibitor.held() && power.held.isEmpty());
    QCOMPARE(power.count(true), power.count(false));

    // With neither service there, nothing is held and nothing breaks.
    QVERIFY(bus.unregisterService(QStringLiteral("org.freedesktop.PowerManagement")));
    inhibitor.setWanted(true);
    QTest::qWait(300);
    QVERIFY(!inhibitor.held());
}

CORVANE_WIDGET_TEST_MAIN(DesktopTest)

#include "desktop_test.moc"
