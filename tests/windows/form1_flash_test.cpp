// The main window on a real X display keeps its one native window when the
// first movie appears in it: same window id, no hide or show on the way.
#include "DispatchIds.h"
#include "Form1.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "SwfWriter.h"
#include "TestMain.h"

#include <QScreen>
#include <QTemporaryDir>

using namespace corvane;

namespace {

struct ShowHideCount : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Show || e->type() == QEvent::Hide;
        return false;
    }
};

// The share of the screen's pixels in the area that are close to c.
double onScreen(QWidget* area, const QColor& c)
{
    const QPoint at = area->mapToGlobal(QPoint());
    const QImage img = area->screen()->grabWindow(0, at.x(), at.y(), area->width(), area->height()).toImage();
    int hits = 0;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3)
            hits += (QColor(img.pixel(x, y)).toRgb().rgb() & 0xF0F0F0) == (c.rgb() & 0xF0F0F0);
    return img.isNull() ? 0 : 9.0 * hits / (img.width() * img.height());
}

}  // namespace

class Form1FlashTest : public QObject {
    Q_OBJECT
private slots:
    void firstMovieKeepsTheNativeWindow()
    {
        installLanguageAndFonts();
        QTemporaryDir dir;
        test::SwfMovie movie;
        movie.background = QColor(0x30, 0xA0, 0x40);
        const QString path = dir.filePath("first.swf");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(test::writeSwf(movie)) > 0);
        f.close();

        SecondaryWindows secondary;
        QPointer<Form1> form = new Form1(secondary, {QStringLiteral("null"), QStringLiteral("null")});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        const WId before = form->winId();
        const QWindow* handle = form->windowHandle();
        ShowHideCount events;
        form->installEventFilter(&events);

        QWidget* area = form->widget("ShockwaveFlash1");
        form->dispatch("ShockwaveFlash1")->put(dispid::flash::Movie, path);
        form->dispatch("ShockwaveFlash1")->call(dispid::flash::Play);
        QVERIFY2(QTest::qWaitFor([&] { return onScreen(area, movie.background) > 0.3; }, 30000),
                 "the movie never showed on the screen");
        QTest::qWait(300);
        QCOMPARE(form->winId(), before);
        QCOMPARE(form->windowHandle(), handle);
        QCOMPARE(events.count, 0);
        delete form.data();
    }
};

CORVANE_WIDGET_TEST_MAIN(Form1FlashTest)

#include "form1_flash_test.moc"
