// The video window, drawn through mpv's render API. Needs a display with
// OpenGL (Xvfb and Mesa's llvmpipe do).
#include "DeviceHarness.h"
#include "media/VideoWindow.h"
#include "TestMedia.h"

#include <dlfcn.h>
#include <link.h>
#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstDeviceVideo : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheVideoAndHidesOnItsCloseBox()
    {
        QTemporaryDir dir;
        const QString avi = makeAvi(dir.path());
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
        QCOMPARE(w->size() * w->devicePixelRatioF(), QSize(160, 120));

        h.command("play");
        QVERIFY(h.waitFor([&] { return w->framesTaken() > 3; }, 4000));
        // The close box hides it; playing goes on to its end.
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(h.waitForCompletions(1, 5000));
        QCOMPARE(h.completions[0].first, h.completions[0].second);

        // The next open shows it again; "close" hides it.
        h.open("AVIVideo", avi);
        QVERIFY(w && w->isVisible());
        h.command("close");
        QVERIFY(!w->isVisible());
        // The audio device types show no picture.
        h.open("WAVEAudio", avi);
        QVERIFY(h.device->isOpen());
        QVERIFY(!h.device->videoWindow() || !h.device->videoWindow()->isVisible());

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
