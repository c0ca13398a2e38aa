// The video window, drawn through mpv's render API. Needs a display with
// OpenGL (Xvfb and Mesa's llvmpipe do).
#include "media/EnginePriority.h"
#include "TestMedia.h"
#include "ThreadNices.h"

#include <dlfcn.h>
#include <link.h>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

// Green in the middle of the screen and black above: a 16:9 picture on a
// 5:4 screen, in its proportions.
static bool letterboxed(QWidget* w)
{
    const QImage shot = w->screen()->grabWindow(w->winId()).toImage();
    const QRect screen = w->screen()->geometry();
    const QColor middle = shot.pixelColor(screen.center()), top = shot.pixelColor(screen.width() / 2, 20);
    return middle.green() > 100 && middle.red() < 60 && top.green() < 30;
}

class TstDeviceVideo : public QObject {
    Q_OBJECT
private slots:
    void windowDrawsTheVideoAndHidesOnItsCloseBox()
    {
        QTemporaryDir dir;
        // Red above, blue below: tells drawn frames, and which way up.
        const QString avi = makeMedia(dir.path(), "clip.avi",
                                      QString("-f lavfi -i color=red:size=160x120:duration=2.5 -f lavfi -i "
                                              "sine=duration=2.5 -vf drawbox=y=60:h=60:color=blue:t=fill -q:v 2")
                                              .split(' '));

        DeviceHarness h({QStringLiteral("null"), QString()});
        // Choosing a video type readies the window while the file is chosen,
        // unseen; the audio types make none.
        h.device->put(dispid::mci::DeviceType, QStringLiteral("WAVEAudio"));
        QTest::qWait(300);
        QVERIFY(!h.device->videoWindow());
        h.device->put(dispid::mci::DeviceType, QStringLiteral("AVIVideo"));
        QVERIFY(QTest::qWaitFor(
                [&] { return h.device->videoWindow() && h.device->videoWindow()->property("renderContext").toBool(); },
                10000));
        QVERIFY(!h.device->videoWindow()->isVisible());
        h.open("AVIVideo", avi);
        QPointer<QWidget> w = h.device->videoWindow();
        const auto drawnNow = [&] { return w->property("framesDrawn").toULongLong(); };
        QVERIFY(w && w->isVisible() && w->isWindow() && w->property("renderContext").toBool()
                && !w->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(w->windowTitle(), QStringLiteral("clip.avi"));
        QCOMPARE(w->size() * w->devicePixelRatio(), QSize(160, 120));

        h.command("play");
        QVERIFY(QTest::qWaitFor([&] { return drawnNow() > 3; }, 15000));
        const QImage shot = w->screen()->grabWindow(w->winId()).toImage();  // as the X server shows it
        const QColor top = shot.pixelColor(80, 30), bottom = shot.pixelColor(80, 90);
        QVERIFY(top.red() > 200 && top.blue() < 60 && bottom.blue() > 200 && bottom.red() < 60);

        // The engine's threads, the renderer's among them, run below the GUI
        // thread, so that decoding never keeps the window from answering.
        const auto nices = threadNices();
        int engineThreads = 0;
        for (const auto& [name, nice] : nices) {
            if (!name.startsWith(QLatin1String("mpv/")) && name != QLatin1String("video render"))
                continue;
            ++engineThreads;
            QVERIFY2(nice >= nices.first().second + EnginePriority::kBelowGui, qPrintable(name));
        }
        QVERIFY(engineThreads >= 2);

        // The close box hides it; frames are taken undrawn and playing goes on.
        QVERIFY(!w->close() && !w->isVisible());
        const quint64 drawn = drawnNow(), taken = w->property("framesTaken").toULongLong();
        QVERIFY(QTest::qWaitFor([&] { return w->property("framesTaken").toULongLong() > taken + 1; }, 15000)
                && drawnNow() == drawn);
        QVERIFY(h.waitForCompletions(1, 15000));

        h.open("WAVEAudio", avi);  // no picture for the audio types
        QVERIFY(h.device->isOpen() && !w->isVisible());
        // The next video shows it again and draws; "close" hides it.
        h.open("AVIVideo", avi);
        h.command("play");
        QVERIFY(w->isVisible() && QTest::qWaitFor([&] { return drawnNow() > drawn + 3; }, 15000));
        h.command("close");
        QVERIFY(!w->isVisible());

        h.device.reset();  // it goes with the device
        QVERIFY(!w);
    }

    // Double-click fills the screen with the picture in its proportions,
    // Escape gives the window back its size and place; F toggles.
    void fullScreenAndBack()
    {
        QTemporaryDir dir;
        const QString avi = makeMedia(dir.path(), "wide.avi",
                                      QString("-f lavfi -i color=green:size=320x180:duration=4 -q:v 2").split(' '));
        DeviceHarness h({QStringLiteral("null"), QString()});
        h.open("AVIVideo", avi);
        QPointer<QWidget> w = h.device->videoWindow();
        QVERIFY(w && QTest::qWaitForWindowExposed(w));
        const auto full = [&] { return w->property("fullScreen").toBool(); };
        w->move(100, 80);
        QTRY_COMPARE(w->geometry().topLeft(), QPoint(100, 80));
        const QRect normal = w->geometry(), screen = w->screen()->geometry();
        QWindow* surface = nullptr;  // the picture's own, which the pointer and keys reach
        for (QWindow* child : w->windowHandle()->findChildren<QWindow*>())
            surface = child->inherits("QWidgetWindow") ? surface : child;
        h.command("play");

        QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_VERIFY(full() && w->geometry() == screen);
        QTRY_VERIFY_WITH_TIMEOUT(letterboxed(w), 10000);
        // The pointer hides when still and comes back when it moves.
        QTRY_COMPARE_WITH_TIMEOUT(surface->cursor().shape(), Qt::BlankCursor, 5000);
        QTest::mouseMove(surface, QPoint(60, 60));
        QCOMPARE(surface->cursor().shape(), Qt::ArrowCursor);
        QTest::keyClick(surface, Qt::Key_Escape);
        QTRY_VERIFY(!full() && w->geometry() == normal);

        QTest::keyClick(surface, Qt::Key_F);
        QTRY_VERIFY(full() && w->geometry() == screen);
        QTest::keyClick(surface, Qt::Key_F);
        QTRY_VERIFY(!full() && w->geometry() == normal);
    }

    void cleanupTestCase()
    {
        // Leaks of GL objects unloaded at exit cannot be suppressed by name: keep all loaded.
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
