// What the Flash display area does with files that are no movie and with a
// web engine whose page process dies: it shows Ruffle's own error panel or
// nothing, keeps the program responsive, and the next movie plays.
#include "DispatchIds.h"
#include "FlashEngine.h"
#include "FlashHarness.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace corvane;
using namespace corvane::test;

namespace {

// Whether Ruffle's error panel is on show in the page.
bool errorPanelShown(const FlashHarness& h)
{
    return h
        .evaluate(QStringLiteral(R"JS((() => {
            const player = document.querySelector("#stage > *");
            const panel = player && player.shadowRoot && player.shadowRoot.querySelector("#panic");
            return !!panel && getComputedStyle(panel).display !== "none";
        })())JS"))
        .toBool();
}

// The GUI thread still turns: a zero timer fires and input is handled.
bool responsive(QWidget& w)
{
    bool fired = false;
    QTimer::singleShot(0, &w, [&] { fired = true; });
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::qWait(50);
    return fired;
}

} // namespace

class FlashFailureTest : public QObject {
    Q_OBJECT
private slots:
    void randomBytesShowTheErrorPanel();
    void renderProcessDeathLeavesAnEmptyDisplay();
};

void FlashFailureTest::randomBytesShowTheErrorPanel()
{
    FlashHarness h;
    FlashPlayer& p = h.player();
    QByteArray junk(1024 * 1024, 0);
    QRandomGenerator rng(20061206);
    for (char& c : junk)
        c = char(rng.bounded(256));
    const QString path = h.writeFile("junk.swf", junk);
    p.put(dispid::flash::Movie, path);
    p.call(dispid::flash::Play);
    QTRY_VERIFY_WITH_TIMEOUT(errorPanelShown(h), 20000);
    QVERIFY(responsive(h.window()));
    // Play and stop on a movie that failed are harmless.
    p.call(dispid::flash::Stop);
    p.call(dispid::flash::Play);
    QVERIFY(responsive(h.window()));
    QCOMPARE(p.get(dispid::flash::Movie).toText(), path);

    // A movie after the failure plays, and the panel is gone.
    SwfMovie good;
    p.put(dispid::flash::Movie, h.writeFile("good.swf", writeSwf(good)));
    QVERIFY2(h.waitForColour(good.background, 0.3), "the movie after the failure never showed");
    QVERIFY(!errorPanelShown(h));
    QVERIFY(h.waitForChange(h.shot()));

    // A path that names no file: Ruffle's panel again, nothing else.
    p.put(dispid::flash::Movie, h.writeFile("present.swf", {}) + QStringLiteral(".missing"));
    QTRY_VERIFY_WITH_TIMEOUT(errorPanelShown(h), 20000);
    QVERIFY(responsive(h.window()));
}

void FlashFailureTest::renderProcessDeathLeavesAnEmptyDisplay()
{
    FlashHarness h;
    FlashPlayer& p = h.player();
    SwfMovie first;
    p.put(dispid::flash::Movie, h.writeFile("first.swf", writeSwf(first)));
    QVERIFY(h.waitForColour(first.background, 0.3));

    const qint64 pid = p.engine()->renderProcessId();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    // The display goes empty: the movie's colours leave it.
    QTRY_VERIFY_WITH_TIMEOUT(FlashHarness::colourShare(h.shot(), first.background) == 0.0, 20000);
    QVERIFY(responsive(h.window()));
    p.call(dispid::flash::Stop);
    p.call(dispid::flash::Play);

    // The next movie loads in a new page process and plays.
    SwfMovie second;
    second.background = QColor(0x30, 0xA0, 0x40);
    p.put(dispid::flash::Movie, h.writeFile("second.swf", writeSwf(second)));
    QVERIFY2(h.waitForColour(second.background, 0.3), "no movie after the page process died");
    QVERIFY(h.waitForChange(h.shot()));
    QVERIFY(p.engine()->renderProcessId() != pid);
}

int main(int argc, char** argv)
{
    FlashFailureTest t;
    return runFlashTests(&t, argc, argv);
}

#include "flash_failure_test.moc"
