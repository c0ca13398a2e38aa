// The display area with a host process that fails: stand-ins that crash, lie,
// flood, cut the shared frame or fall silent, and the real host killed or
// stopped. The program stays whole and answers, ends the host, and the next
// movie or sound plays.
#include "DialogAnswer.h"
#include "flash/FlashHostProcess.h"
#include "flash/FlashPlayer.h"
#include "flash/RemoteFlashEngine.h"
#include "FlashAreaTest.h"
#include "media/MediaDevice.h"
#include "SwfWriter.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <csignal>
#include <QAbstractButton>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QProcess>

using namespace corvane;
using namespace corvane::test;

namespace {

// The GUI thread's longest gap between two 10 ms timer turns while it lives.
struct GapMeter {
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
    GapMeter()
    {
        since.start();
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = std::max(longest, since.restart()); });
        timer.start(10);
    }
};

bool processGone(qint64 pid) { return pid <= 0 || ::kill(pid_t(pid), 0) != 0; }

}  // namespace

class FlashHelperTest : public FlashAreaTest {
    Q_OBJECT

private slots:
    void initTestCase() { openWindow(QPoint(940, 600)); }
    // A test that failed part-way leaves the real host for the next.
    void cleanup()
    {
        FlashHostProcess::useProgram({});
        qunsetenv("CORVANE_STANDIN");
    }

    // Each stand-in is ended by the area, which answers meanwhile; then a sound plays.
    void brokenHostsAreEnded()
    {
        const QString standIn = QStringLiteral(FLASH_STANDIN);
        FlashHostProcess::useProgram(standIn);
        for (const char* mode : {"crash", "lie", "shrink", "flood", "silent"}) {
            qputenv("CORVANE_STANDIN", mode);
            const auto area = std::make_unique<FlashPlayer>(window_.get());
            area->resize(289, 209);
            area->show();
            SwfMovie movie;
            area->put(dispid::flash::Movie, writeFile(dir_.path(), "standin.swf", writeSwf(movie)));
            auto* remote = qobject_cast<RemoteFlashEngine*>(dynamic_cast<QObject*>(area->engine()));
            QVERIFY(remote);
            QVERIFY2(waitFor([&] { return remote->hostProcessId() > 0; }, 10000), mode);
            const qint64 pid = remote->hostProcessId();
            GapMeter gaps;
            // A lying or silent host is ended; one that only floods is cut off
            // as well. The movie it never took goes to new hosts, three at most.
            QVERIFY2(waitFor([&] { return processGone(pid); }, 20000), mode);
            QVERIFY2(waitFor([&] { return area->get(dispid::flash::Playing).toBool() == false; }, 60000), mode);
            QVERIFY2(gaps.longest < 500, qPrintable(QStringLiteral("%1: %2 ms").arg(mode).arg(gaps.longest)));
        }
        cleanup();
        // The window's own media device plays a sound as ever.
        auto* device = static_cast<MediaDevice*>(window_->dispatch("MMControl1"));
        device->put(dispid::mci::DeviceType, QStringLiteral("WAVEAudio"));
        device->put(dispid::mci::FileName, makeWav(dir_.path()));
        device->put(dispid::mci::Command, QStringLiteral("open"));
        device->put(dispid::mci::Command, QStringLiteral("play"));
        QVERIFY(waitFor([&] { return device->isPlaying() && device->get(dispid::mci::Position).toInt() > 0; }));
        device->put(dispid::mci::Command, QStringLiteral("close"));
    }

    // The real host stopped mid-movie: every action of the person is answered at
    // once, the host is ended, a new movie shows and the menu opens again.
    void stoppedHostIsEnded()
    {
        SwfMovie first;
        openByDialog(writeFile(dir_.path(), "first.swf", writeSwf(first)));
        QVERIFY(shows(first.background, 0.3, ColdStartMs));
        const qint64 pid = remote()->hostProcessId();
        QVERIFY(::kill(pid_t(pid), SIGSTOP) == 0);
        GapMeter gaps;
        rightClick();  // asks the stopped host for the menu, which never answers
        button("CommandSCE2")->click();
        for (int i = 0; i < 2; ++i)
            qobject_cast<QCheckBox*>(window_->widget("Check1"))->click();
        button("CommandSCE7")->click();
        SwfMovie next;
        next.background = QColor(0x90, 0x30, 0xA0);
        QElapsedTimer opened;
        opened.start();
        openByDialog(writeFile(dir_.path(), "next.swf", writeSwf(next)));
        QVERIFY(shows(next.background, 0.3, ColdStartMs));
        qInfo("new movie shown %lld ms after its opening; longest GUI gap %lld ms", opened.elapsed(), gaps.longest);
        QVERIFY(processGone(pid) && remote()->hostProcessId() != pid);
        QVERIFY2(gaps.longest < 250, qPrintable(QString::number(gaps.longest)));
        rightClick();
        QVERIFY(waitFor([&] { return player_->menu() != nullptr; }, 10000));
        player_->menu()->close();
        button("CommandSCE7")->click();
    }

private:
    RemoteFlashEngine* remote() const
    {
        return qobject_cast<RemoteFlashEngine*>(dynamic_cast<QObject*>(player_->engine()));
    }
    QAbstractButton* button(const char* name) const { return qobject_cast<QAbstractButton*>(window_->widget(name)); }
    // Through the Flash opening's dialog, as a person opens a movie.
    void openByDialog(const QString& path)
    {
        if (button("CommandSCE7")->isEnabled())
            button("CommandSCE7")->click();
        answer_.arm(path);
        button("Command6")->click();
        QVERIFY(answer_.seen);
    }
    void rightClick()
    {
        const QPoint at = player_->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, player_->mapToGlobal(at));
        QApplication::sendEvent(player_, &event);
    }
    DialogAnswer answer_;
};

CORVANE_WIDGET_TEST_MAIN(FlashHelperTest)

#include "flash_helper_test.moc"
