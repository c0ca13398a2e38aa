// The video window: mpv renders into it through the render API; it takes the
// file's name, the program's icon and the video's size, hides on its close
// box while playing goes on, never keeps the program alive, and goes with
// the device. Needs a display with OpenGL (Xvfb and Mesa's llvmpipe do).
#include "DeviceHarness.h"
#include "TestMedia.h"
#include "media/VideoWindow.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <dlfcn.h>
#include <link.h>

namespace {

// The GL driver and the platform's GL plugin are unloaded at exit; whatever
// they leak would then be reported from an unknown module that no leak
// suppression can name. Keeping every loaded object loaded lets the
// checker name them.
void pinLoadedObjects()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && *info->dlpi_name)
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

} // namespace

using namespace corvane;
using namespace corvane::test;

class TstDeviceVideo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display");
        QVERIFY(dir_.isValid());
        avi_ = makeAvi(dir_.path(), 1.0);
        QVERIFY(!avi_.isEmpty());
        QPixmap pm(32, 32);
        pm.fill(Qt::darkCyan);
        QApplication::setWindowIcon(QIcon(pm));
    }

    void windowShowsTheVideoAndHidesOnItsCloseBox()
    {
        // Sound to the null output; the picture through the render API.
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("AVIVideo", avi_);
        QPointer<VideoWindow> w = h.device->videoWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(w->isWindow());
        QVERIFY(w->hasRenderContext());
        QCOMPARE(w->windowTitle(), QStringLiteral("clip.avi"));
        QCOMPARE(w->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QVERIFY(!w->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(w->size() * w->devicePixelRatioF(), QSize(160, 120));

        h.command("play");
        QVERIFY(h.waitFor([&] { return w->framesTaken() > 3; }, 4000));
        // The close box hides it; playing goes on to its end.
        w->close();
        QVERIFY(!w->isVisible());
        const int at = h.position();
        QVERIFY(h.waitForCompletions(1, 5000));
        QVERIFY(h.completions[0].position > at);
        QCOMPARE(h.completions[0].position, h.completions[0].length);
        QVERIFY(w);

        // The next open shows it again; "close" hides it.
        h.open("AVIVideo", avi_);
        QVERIFY(w->isVisible());
        h.command("close");
        QVERIFY(!w->isVisible());

        // It goes with the device.
        h.device.reset();
        QVERIFY(!w);
    }

    void hiddenWindowKeepsTakingFrames()
    {
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("AVIVideo", makeAvi(dir_.path(), 2.0));
        QPointer<VideoWindow> w = h.device->videoWindow();
        QVERIFY(w);
        w->close();
        h.command("play");
        QVERIFY(h.waitForPosition(300, 3000));
        const quint64 before = w->framesTaken();
        QVERIFY(h.waitFor([&] { return w->framesTaken() > before + 5; }, 3000));
        QVERIFY(!w->isVisible());
    }

    void audioDevicesShowNoWindow()
    {
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("WAVEAudio", avi_);
        QVERIFY(h.device->isOpen());
        QVERIFY(!h.device->videoWindow() || !h.device->videoWindow()->isVisible());
        h.command("play");
        QVERIFY(h.waitForCompletions(1, 5000));
    }

    void largeVideoIsClampedToTheScreen()
    {
        const QString big = makeMedia(dir_.path(), "big.avi",
                                      {"-f", "lavfi", "-i", "color=c=red:size=3200x2400:rate=5:duration=0.4", "-c:v",
                                       "mpeg4"});
        QVERIFY(!big.isEmpty());
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("MPEGVideo", big);
        VideoWindow* w = h.device->videoWindow();
        QVERIFY(w && w->isVisible());
        const QSize room = w->screen()->availableGeometry().size();
        QVERIFY(w->width() <= room.width() && w->height() <= room.height());
        QCOMPARE(w->width() * 3, w->height() * 4);  // the picture's shape kept
    }

    void cleanupTestCase() { pinLoadedObjects(); }

private:
    QTemporaryDir dir_;
    QString avi_;
};

QTEST_MAIN(TstDeviceVideo)
#include "tst_device_video.moc"
