// Whole sessions as a person drives them: open through the real dialog,
// let the media play to its end, repeat, pause, stop, mute, a damaged file.
// The rules behind each step are tested in tests/handlers and tests/device.
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "Form1.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QSlider>
#include <QtTest>

using namespace corvane;
using namespace corvane::dispid;

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openPlayToTheEndAndRepeat();
    void muteSliderPauseAndStop();
    void damagedFileOpensNothing();

private:
    // Picks the path in the real dialog, opened by the audio button.
    void open(const QString& path);
    QAbstractButton* button(const char* name) { return qobject_cast<QAbstractButton*>(form->widget(name)); }
    MediaDevice* device() { return static_cast<MediaDevice*>(form->dispatch("MMControl1")); }
    int position() { return device()->get(mci::Position).toInt(); }
    QSlider* slider() { return qobject_cast<QSlider*>(form->widget("Slider1")); }

    QTemporaryDir dir;
    QString wav;
    SecondaryWindows secondary;
    QPointer<Form1> form;
    test::DialogAnswer answer;
};

void SessionTest::initTestCase()
{
    installLanguageAndFonts();
    wav = test::makeWav(dir.path(), QStringLiteral("一秒 tone.wav"), 1.0);
    QVERIFY(!wav.isEmpty());
}

void SessionTest::init()
{
    form = new Form1(secondary, {QStringLiteral("null"), QStringLiteral("null")});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

void SessionTest::cleanup() { delete form.data(); }

void SessionTest::open(const QString& path)
{
    answer.arm(path);
    button("Command2")->click();
    QVERIFY(answer.seen);
}

// Opened through the dialog, the file plays with the slider following it.
// Without repeat the end stops at the start and play goes again; with
// repeat ticked the media starts over by itself.
void SessionTest::openPlayToTheEndAndRepeat()
{
    open(wav);
    QCOMPARE(device()->get(mci::FileName).toText(), wav);
    QVERIFY(device()->isOpen() && !button("Command2")->isEnabled() && button("CommandSCE1")->isEnabled());
    QCOMPARE(slider()->maximum(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() > 100, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying(), 4000);
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 0, 2000);
    QTest::qWait(400);
    QCOMPARE(position(), 0);  // it stays stopped at the start
    qobject_cast<QCheckBox*>(form->widget("Check2"))->setChecked(true);
    button("CommandSCE2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(position() < 400, 4000);  // past the end it starts over
    QVERIFY(device()->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() < 400 && position() > 200, 4000);
}

// Mute silences the engine at once; pause holds the place, the slider does
// not seek; stop closes the file and returns to idle.
void SessionTest::muteSliderPauseAndStop()
{
    open(wav);
    QVERIFY(!device()->engineMuted());
    auto* box = qobject_cast<QCheckBox*>(form->widget("Check1"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QVERIFY(box->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(device()->engineMuted(), 500);  // as the engine reports it back
    QTRY_VERIFY_WITH_TIMEOUT(position() > 300, 3000);
    button("CommandSCE3")->click();
    QTest::qWait(200);  // the engine halts asynchronously
    const int at = position();
    // Drag the thumb far to the right, then wait longer than the rest of the media.
    QSlider* s = slider();
    const QPoint from(3 + (s->width() - 6) * at / 1000, s->height() / 2), to(s->width() - 4, s->height() / 2);
    QTest::mousePress(s, Qt::LeftButton, {}, from);
    QTest::mouseMove(s, to);
    QTest::mouseRelease(s, Qt::LeftButton, {}, to);
    QTest::qWait(1200);
    QVERIFY(at > 0 && device()->isOpen());
    QCOMPARE(position(), at);
    QCOMPARE(s->value(), at);  // status updates put the thumb back
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(!device()->engineMuted(), 500);
    button("CommandSCE7")->click();
    QVERIFY(!device()->isOpen());
    QCOMPARE(slider()->value(), 0);
    QVERIFY(button("Command1")->isEnabled() && !button("CommandSCE7")->isEnabled());
}

// Half a file: refused, or played to its end; either way the window can go
// back to idle and open the whole file after it.
void SessionTest::damagedFileOpensNothing()
{
    QFile whole(wav);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QString cut = test::writeFile(dir.path(), "cut.wav", whole.read(whole.size() / 2));
    open(cut);
    QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying(), 4000);
    QCOMPARE(position(), 0);
    button("CommandSCE7")->click();
    open(wav);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 100, 3000);
}

CORVANE_WIDGET_TEST_MAIN(SessionTest)

#include "session_test.moc"
