// The player on a private session bus (from scripts/session.sh), as a desktop drives it: MPRIS 2 calls from a
// connection of their own against the real window and device, and a stand-in screen saver that records its calls.
#include "DesktopLink.h"
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "flash/RemoteFlashEngine.h"
#include "Form1.h"
#include "MprisService.h"
#include "Pixels.h"
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
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QtTest>

#include <csignal>

using namespace corvane;
using namespace corvane::dispid;

// Answers Inhibit and UnInhibit as a screen saver or power manager does, and keeps each call ("+cookie" or "-cookie").
class InhibitStandIn : public QObject {
    Q_OBJECT
public:
    QStringList calls;
    QSet<uint> held;
    QString reason;
    uint next = 7;

    int count(bool inhibit) const { return int(calls.filter(inhibit ? "+" : "-").size()); }

public slots:
    uint Inhibit(const QString&, const QString& why)
    {
        reason = why;
        held.insert(next);
        calls << "+" + QString::number(next);
        return next++;
    }
    void UnInhibit(uint cookie)
    {
        held.remove(cookie);
        calls << "-" + QString::number(cookie);
    }
};

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        installLanguageAndFonts();
        QVERIFY2(client.isConnected(), "no session bus: source scripts/session.sh");
    }
    void mprisGoesThroughTheWindowsButtons();
    void screenKeptAwakeOnlyWhileAPicturePlays();

public slots:
    void changed(const QString&, const QVariantMap& properties, const QStringList&) { changes.append(properties); }

private:
    void makeWindow(const MediaDeviceOptions& outputs)
    {
        delete form.data();
        form = new Form1(secondary, outputs);
        form->show();
        auto* link = new DesktopLink(*form, QDBusConnection::sessionBus());
        QTRY_VERIFY(!link->mpris().busName().isEmpty());
        service = link->mpris().busName();
    }
    // Stops what plays first, as the open buttons are off until then.
    void open(const char* kindButton, const QString& path)
    {
        if (button("CommandSCE7")->isEnabled())
            button("CommandSCE7")->click();
        answer.arm(path);
        button(kindButton)->click();
        QVERIFY(answer.seen);
    }
    // Asynchronous: the player answers on this same thread.
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(service, kPath, interface, method);
        m.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(m, 10000);
        return QTest::qWaitFor([&] { return pending.isFinished(); }, 15000) ? pending.reply() : QDBusMessage();
    }
    QDBusMessage player(const char* method, const QVariantList& args = {}) { return call(kPlayer, method, args); }
    bool playingAfter(const char* method)
    {
        player(method);
        return device()->isPlaying();
    }
    QVariant property(const char* name)
    {
        return call(kProperties, "Get", {kPlayer, name}).arguments().value(0).value<QDBusVariant>().variant();
    }
    QDBusMessage setProperty(const char* name, const QVariant& value)
    {
        return call(kProperties, "Set", {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    static QVariantMap map(const QVariant& v) { return qdbus_cast<QVariantMap>(v.value<QDBusArgument>()); }
    QVariantMap metadata() { return map(property("Metadata")); }
    QString status() { return property("PlaybackStatus").toString(); }
    bool sawChange(const QString& name, const QVariant& value) const
    {
        return std::any_of(changes.begin(), changes.end(),
                           [&](const QVariantMap& m) { return m.contains(name) && m.value(name) == value; });
    }
    QAbstractButton* button(const char* name) { return qobject_cast<QAbstractButton*>(form->widget(name)); }
    QCheckBox* mute() { return qobject_cast<QCheckBox*>(form->widget("Check1")); }
    MediaDevice* device() { return static_cast<MediaDevice*>(form->dispatch("MMControl1")); }
    int position() { return device()->get(mci::Position).toInt(); }

    const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
    const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
    const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
    QTemporaryDir dir;
    SecondaryWindows secondary;
    QPointer<Form1> form;
    test::DialogAnswer answer;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    QString service;
    QList<QVariantMap> changes;
};

void DesktopTest::mprisGoesThroughTheWindowsButtons()
{
    const QString wav = test::makeWav(dir.path(), QStringLiteral("三秒 tone.wav"), 3.0);
    const QString url = QString::fromLatin1(QUrl::fromLocalFile(wav).toEncoded());
    makeWindow({QStringLiteral("null"), QStringLiteral("null")});
    QVERIFY(client.connect(service, kPath, kProperties, "PropertiesChanged", this,
                           SLOT(changed(QString, QVariantMap, QStringList))));

    // Idle: nothing to play, and Play does what the disabled button does.
    QVERIFY(status() == "Stopped" && metadata().isEmpty() && !property("CanPlay").toBool());
    QCOMPARE(player("Play").type(), QDBusMessage::ReplyMessage);
    QVERIFY(!device()->isOpen() && button("Command1")->isEnabled());

    open("Command2", wav);
    QTRY_VERIFY(sawChange("PlaybackStatus", "Playing") && sawChange("CanPlay", true));
    const QVariantMap m = metadata();
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("三秒 tone.wav"));
    QCOMPARE(m.value("xesam:url").toString(), url);
    QCOMPARE(m.value("mpris:length").toLongLong(), 1000LL * device()->get(mci::Length).toInt());
    QVERIFY(m.value("mpris:trackid").canConvert<QDBusObjectPath>());
    QTRY_VERIFY(position() > 1200);

    // Each call does what its button would; Previous is rewind-and-play.
    changes.clear();
    QVERIFY(!playingAfter("Pause") && device()->isOpen() && button("CommandSCE7")->isEnabled() && status() == "Paused");
    QTRY_VERIFY(sawChange("PlaybackStatus", "Paused"));
    auto* slider = qobject_cast<QSlider*>(form->widget("Slider1"));
    QTRY_COMPARE(slider->value(), position());
    QCOMPARE(property("Position").toLongLong(), 1000LL * slider->value());
    QVERIFY(playingAfter("PlayPause") && status() == "Playing");
    QVERIFY(!playingAfter("PlayPause") && playingAfter("Play"));
    QVERIFY(playingAfter("Previous") && position() < 1000);
    // Next runs to the end, which without repeat leaves it stopped at the start, still loaded.
    player("Next");
    QTRY_COMPARE(status(), QStringLiteral("Stopped"));
    QVERIFY(device()->isOpen() && position() == 0 && button("CommandSCE2")->isEnabled());
    QTRY_VERIFY(sawChange("PlaybackStatus", "Stopped"));

    // Volume is the mute box.
    setProperty("Volume", 0.0);
    QVERIFY(mute()->isChecked() && device()->get(mci::Mute).toBool() && property("Volume") == 0.0);
    QTRY_VERIFY(sawChange("Volume", 0.0));
    setProperty("Volume", 0.4);
    QVERIFY(!mute()->isChecked() && !device()->get(mci::Mute).toBool());

    // Bad calls get errors; neither they nor the calls that do nothing change anything.
    player("Play");
    QTRY_VERIFY(position() > 300);
    player("Pause");
    for (int last = -1; last != position(); QTest::qWait(250))  // the engine halts asynchronously
        last = position();
    const int at = position();
    QCOMPARE(player("Play", {42}).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Stop", {QStringLiteral("now")}).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Rewind").type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("OpenUri", {url}).errorName(), QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
    QCOMPARE(setProperty("Volume", QStringLiteral("loud")).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(player("Seek", {qlonglong(-1000000)}).type(), QDBusMessage::ReplyMessage);
    player("SetPosition", {QVariant::fromValue(QDBusObjectPath("/x")), qlonglong(2000000)});
    QVERIFY(device()->isOpen() && !device()->isPlaying() && !mute()->isChecked() && status() == "Paused");
    QVERIFY(qAbs(position() - at) < 100);  // a paused engine may still report a few ms on

    // Stop is the stop button: the device closes, the window goes idle.
    changes.clear();
    player("Stop");
    QVERIFY(!device()->isOpen() && button("Command1")->isEnabled() && !button("CommandSCE7")->isEnabled());
    QVERIFY(status() == "Stopped" && metadata().isEmpty() && !property("CanPlay").toBool());
    QTRY_VERIFY(sawChange("CanPlay", false) && sawChange("CanPause", false));
    QVERIFY(std::any_of(changes.begin(), changes.end(),
                        [](const QVariantMap& c) { return c.contains("Metadata") && map(c["Metadata"]).isEmpty(); }));

    // Raise shows the window; Quit ends the program as the exit item does.
    form->setWindowState(Qt::WindowMinimized);
    call(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    QVERIFY(form->isVisible() && !(form->windowState() & Qt::WindowMinimized));
    QTimer::singleShot(0, this, [this] { call(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit")); });
    QObject guard;  // against a Quit that went nowhere
    QTimer::singleShot(15000, &guard, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
}

void DesktopTest::screenKeptAwakeOnlyWhileAPicturePlays()
{
    InhibitStandIn saver;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("saver"));
    QVERIFY(bus.registerObject("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", &saver,
                               QDBusConnection::ExportAllSlots)
            && bus.registerService("org.freedesktop.ScreenSaver"));
    const QString avi = test::makeMedia(
            dir.path(), "clip.avi",
            QString("-f lavfi -i color=red:size=160x120:duration=3 -f lavfi -i sine=duration=3 -q:v 2").split(' '));
    const QString wav = test::makeWav(dir.path(), QStringLiteral("tone.wav"), 3.0);
    const QString swf = test::writeFile(dir.path(), "movie.swf", test::writeSwf({}));
    makeWindow({QStringLiteral("null"), QString()});

    // A video holds it while it plays in its window; pause lifts it.
    open("Command1", avi);
    QTRY_COMPARE_WITH_TIMEOUT(saver.count(true), 1, 5000);
    QCOMPARE(saver.reason, QStringLiteral("正在播放视频"));
    QPointer<QWidget> window = device()->videoWindow();
    QTRY_VERIFY(window->isVisible() && position() > 500);
    button("CommandSCE3")->click();
    QTRY_COMPARE(saver.calls, QStringList({"+7", "-7"}));
    button("CommandSCE2")->click();
    QTRY_COMPARE(saver.count(true), 2);
    // The close box hides the picture; the sound goes on unheld.
    window->close();
    QTRY_COMPARE(saver.count(false), 2);
    QVERIFY(device()->isPlaying() && saver.held.isEmpty());

    // Shown again and played to its end: lifted at the end.
    open("Command1", avi);
    QTRY_COMPARE_WITH_TIMEOUT(saver.count(true), 3, 5000);
    QVERIFY(QTest::qWaitFor([this] { return !device()->isPlaying(); }, 8000));
    QTRY_VERIFY(saver.count(false) == 3 && saver.held.isEmpty());

    // Sound alone never holds it: a .wav, and a video opened as audio.
    for (const QString& sound : {wav, avi}) {
        open("Command2", sound);
        QTRY_VERIFY(position() > 600);
    }
    QVERIFY(device()->isPlaying() && !window->isVisible() && saver.calls.size() == 6);

    // A Flash movie holds it while it plays; its pause button does nothing.
    open("Command6", swf);
    QTRY_COMPARE(saver.count(true), 4);
    QVERIFY(metadata().value("xesam:title") == "movie.swf" && !metadata().contains("mpris:length"));
    player("Pause");
    QCOMPARE(status(), QStringLiteral("Playing"));
    button("CommandSCE7")->click();
    QTRY_COMPARE(saver.count(false), 4);
    // A host killed mid-movie stops the movie: lifted, and MPRIS says so. The next movie shows.
    open("Command6", swf);
    QTRY_COMPARE(saver.count(true), 5);
    auto* area = qobject_cast<FlashPlayer*>(form->widget("ShockwaveFlash1"));
    const auto* host = dynamic_cast<RemoteFlashEngine*>(area->engine());
    const auto showing = [&](const QColor& c) {
        return QTest::qWaitFor(
                [&] { return test::share(area->grab().toImage().convertToFormat(QImage::Format_RGB32), c) > 0.3; },
                60000);
    };
    QVERIFY(host);
    QVERIFY(showing(test::SwfMovie().background));
    QCOMPARE(status(), QStringLiteral("Playing"));
    QVERIFY(::kill(pid_t(host->hostProcessId()), SIGKILL) == 0);
    QTRY_VERIFY(saver.held.isEmpty() && status() == "Stopped");
    test::SwfMovie other;
    other.background = QColor(0x90, 0x30, 0xA0);
    open("Command6", test::writeFile(dir.path(), "other.swf", test::writeSwf(other)));
    QTRY_COMPARE(saver.count(true), 6);
    QVERIFY(showing(other.background));
    // On the whole screen it stays held; closing the window then lifts it, and the full
    // screen goes with the window.
    area->setFullScreen(true);
    QTRY_VERIFY(area->fullScreen() && area->size() == area->screen()->size());
    QVERIFY(!saver.held.isEmpty() && status() == "Playing");
    const QPointer<QWidget> screen = area->window();
    delete form.data();
    QVERIFY(!screen);
    QTRY_VERIFY(saver.held.isEmpty());

    // Without the screen saver, the power manager; with neither, nothing.
    QVERIFY(bus.unregisterService("org.freedesktop.ScreenSaver"));
    InhibitStandIn power;
    QVERIFY(bus.registerObject("/org/freedesktop/PowerManagement/Inhibit", "org.freedesktop.PowerManagement.Inhibit",
                               &power, QDBusConnection::ExportAllSlots)
            && bus.registerService("org.freedesktop.PowerManagement"));
    ScreenSaverInhibitor inhibitor;
    inhibitor.start(QDBusConnection::sessionBus());
    inhibitor.setWanted(true);
    QTRY_VERIFY(inhibitor.held() && power.held.size() == 1);
    for (bool wanted : {false, true, false})  // changes of mind while a call is out
        inhibitor.setWanted(wanted);
    QTRY_VERIFY(!inhibitor.held() && power.held.isEmpty());
    QVERIFY(bus.unregisterService("org.freedesktop.PowerManagement"));
    inhibitor.setWanted(true);
    QTest::qWait(300);
    QVERIFY(!inhibitor.held() && power.calls.size() == 2);
}

CORVANE_WIDGET_TEST_MAIN(DesktopTest)

#include "desktop_test.moc"
