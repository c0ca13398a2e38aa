// The video window, drawn through mpv's render API. Needs a display with
// OpenGL (Xvfb and Mesa's llvmpipe do).
#include "DeviceHarness.h"
#include "media/VideoWindow.h"
#include "TestMedia.h"

#include <dlfcn.h>
#include <link.h>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstDeviceVideo : public QObject {
    Q_OBJECT
private slots:
    void windowDrawsTheVideoAndHidesOnItsCloseBox()
    {
        QTemporaryDir dir;
        // Red above, blue below: tells drawn frames, and which way up.
        const QString avi = makeMedia(dir.path(), "clip.avi",
                                      {"-f", "lavfi", "-i", "color=c=red:size=160x120:rate=25:duration=1.5", "-f",
                                       "lavfi", "-i", "sine=duration=1.5", "-vf",
                                       "drawbox=y=60:w=160:h=60:color=blue:t=fill", "-c:v", "mpeg4", "-q:v", "2"});
        QVERIFY(!avi.isEmpty());
        QPixmap pm(32, 32);
        pm.fill(Qt::darkCyan);
        QApplication::setWindowIcon(QIcon(pm));

        // Sound to the null output; the picture through the render API.
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("AVIVideo", avi);
        QPointer<VideoWindow> w = h.device->videoWindow();
        QVERIFY(w && w->isVisible() && w->isWindow() && w->hasRenderContext());
        QCOMPARE(w->windowTitle(), QStringLiteral("clip.avi"));
        QCOMPARE(w->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QVERIFY(!w->testAttribute(Qt::WA_QuitOnClose));  // never keeps the program alive
        QCOMPARE(w->size() * w->devicePixelRatio(), QSize(160, 120));

        h.command("play");
        QVERIFY(h.waitFor([&] { return w->framesDrawn() > 3; }, 4000));
        const QImage shot = w->screen()->grabWindow(w->winId()).toImage();
        const QColor top = shot.pixelColor(shot.width() / 2, shot.height() / 4);
        const QColor bottom = shot.pixelColor(shot.width() / 2, shot.height() * 3 / 4);
        QVERIFY2(top.red() > 200 && top.blue() < 60 && bottom.blue() > 200 && bottom.red() < 60,
                 qPrintable(top.name() + QLatin1Char(' ') + bottom.name()));

        // The close box hides it; frames are taken undrawn and playing goes on.
        w->close();
        QVERIFY(!w->isVisible());
        const quint64 drawn = w->framesDrawn(), taken = w->framesTaken();
        QVERIFY(h.waitForCompletions(1, 5000));
        QCOMPARE(h.completions[0].first, h.completions[0].second);
        QVERIFY(w->framesTaken() > taken + 3);
        QCOMPARE(w->framesDrawn(), drawn);

        // The next open shows it again; "close" hides it.
        h.open("AVIVideo", avi);
        QVERIFY(w && w->isVisible());
        h.command("close");
        QVERIFY(!w->isVisible());
        // The audio device types show no picture.
        h.open("WAVEAudio", avi);
        QVERIFY(h.device->isOpen());
        QVERIFY(!h.device->videoWindow() || !h.device->videoWindow()->isVisible());

        // Destroyed while playing: the media plays on to its end, and the
        // next video gets a new window.
        h.open("AVIVideo", avi);
        h.command("play");
        QVERIFY(h.waitFor([&] { return w->framesDrawn() > drawn + 3; }, 4000));
        delete w.data();
        QVERIFY(h.waitForCompletions(2, 5000));
        h.open("AVIVideo", avi);
        h.command("play");
        w = h.device->videoWindow();
        QVERIFY(w && h.waitFor([&] { return w->framesDrawn() > 3; }, 4000));

        // It goes with the device.
        h.device.reset();
        QVERIFY(!w);
    }

    void cleanupTestCase()
    {
        // Leaks of the GL driver and the platform's GL plugin, unloaded at
        // exit, could not be named by a suppression: keep every object loaded.
        dl_iterate_phdr(
                [](dl_phdr_info* info, size_t, void*) {
                    if (info->dlpi_name && *info->dlpi_name)
                        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
                    return 0;
                },
                nullptr);
    }
};

QTEST_MAIN(TstDeviceVideo)
#include "tst_device_video.moc"
