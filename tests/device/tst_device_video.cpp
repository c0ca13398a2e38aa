// The video window, drawn through mpv's render API. Needs a display with
// OpenGL (Xvfb and Mesa's llvmpipe do).
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
        const QString avi = makeMedia(dir.path(), "clip.avi",
                                      lavfi("testsrc=size=160x120", 1) + lavfi("sine=frequency=330", 1)
                                              + QStringList{"-c:v", "mpeg4"});
        QPixmap pm(32, 32);
        pm.fill(Qt::darkCyan);
        QApplication::setWindowIcon(QIcon(pm));
        DeviceHarness h({"null", QString()});  // sound to the null output; the picture through the render API
        h.open("AVIVideo", avi);
        QPointer<VideoWindow> w = h.device->videoWindow();
        QVERIFY(w && w->isVisible() && w->isWindow() && w->hasRenderContext());
        QCOMPARE(w->windowTitle(), QStringLiteral("clip.avi"));
        QCOMPARE(w->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QVERIFY(!w->testAttribute(Qt::WA_QuitOnClose));  // never keeps the program alive
        QCOMPARE(w->size() * w->devicePixelRatioF(), QSize(160, 120));

        h.command("play");
        QVERIFY(QTest::qWaitFor([&] { return w->framesTaken() > 3; }, 4000));
        w->close();  // the close box hides it; playing goes on to its end
        QVERIFY(!w->isVisible() && h.waitForCompletions(1, 5000));
        h.open("AVIVideo", avi);  // the next open shows it again; "close" hides it
        QVERIFY(w && w->isVisible());
        h.command("close");
        QVERIFY(!w->isVisible());
        h.open("WAVEAudio", avi);  // the audio device types show no picture
        QVERIFY(h.device->isOpen() && !w->isVisible());
        h.device.reset();  // it goes with the device
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
