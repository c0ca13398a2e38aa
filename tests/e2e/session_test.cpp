// A whole session as a person drives it, with the real window, dialog and
// device: open through the dialog, play to the end, repeat, mute, pause,
// stop, a damaged file. The rules behind each step are tested in
// tests/handlers and tests/device.
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
    void session();

private:
    // Picks the path in the real dialog, opened by the audio button.
    void open(const QString& path)
    {
        answer.arm(path);
        button("Command2")->click();
        QVERIFY(answer.seen);
    }
    void click(const char* box)
    {
        auto* b = qobject_cast<QCheckBox*>(form->widget(box));
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    QAbstractButton* button(const char* name) { return qobject_cast<QAbstractButton*>(form->widget(name)); }
    MediaDevice* device() { return static_cast<MediaDevice*>(form->dispatch("MMControl1")); }
    int position() { return device()->get(mci::Position).toInt(); }
    QSlider* slider() { return qobject_cast<QSlider*>(form->widget("Slider1")); }

    SecondaryWindows secondary;
    QPointer<Form1> form;
    test::DialogAnswer answer;
};

void SessionTest::session()
{
    installLanguageAndFonts();
    QTemporaryDir dir;
    const QString wav = test::makeWav(dir.path(), QStringLiteral("一秒 tone.wav"), 1.0);
    form = new Form1(secondary, {QStringLiteral("null"), QStringLiteral("null")});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));

    // It plays with the slider following.
    open(wav);
    QCOMPARE(device()->get(mci::FileName).toText(), wav);
    QVERIFY(device()->isOpen() && !button("Command2")->isEnabled() && button("CommandSCE1")->isEnabled());
    QCOMPARE(slider()->maximum(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() > 300, 3000);

    // Pause holds the place; dragging the thumb does not seek, and status
    // updates put it back.
    button("CommandSCE3")->click();
    QTest::qWait(200);  // the engine halts asynchronously
    const int at = position();
    QSlider* s = slider();
    const QPoint from(3 + (s->width() - 6) * at / 1000, s->height() / 2), to(s->width() - 4, s->height() / 2);
    QTest::mousePress(s, Qt::LeftButton, {}, from);
    QTest::mouseMove(s, to);
    QTest::mouseRelease(s, Qt::LeftButton, {}, to);
    QTest::qWait(1200);  // longer than the rest of the media
    QVERIFY(at > 0 && device()->isOpen());
    QCOMPARE(position(), at);
    QCOMPARE(s->value(), at);

    // Play goes on to the end, which without repeat stops at the start.
    button("CommandSCE2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying(), 4000);
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 0, 2000);
    QTest::qWait(400);
    QCOMPARE(position(), 0);  // it stays stopped at the start

    // With repeat ticked the media starts over by itself.
    click("Check2");
    button("CommandSCE2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(position() < 400, 4000);
    QVERIFY(device()->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() < 400 && position() > 200, 4000);

    // Mute reaches the engine, as it reports it back, and so does unmuting.
    click("Check1");
    QTRY_VERIFY_WITH_TIMEOUT(device()->engineMuted(), 500);
    click("Check1");
    QTRY_VERIFY_WITH_TIMEOUT(!device()->engineMuted(), 500);

    // Stop closes the file and returns to idle; the repeat tick, taken off
    // here, would stay.
    click("Check2");
    button("CommandSCE7")->click();
    QVERIFY(!device()->isOpen());
    QCOMPARE(slider()->value(), 0);
    QVERIFY(button("Command1")->isEnabled() && !button("CommandSCE7")->isEnabled());

    // Half a file is refused or plays to its end; either way the window goes
    // back to idle and opens the whole file after it.
    QFile whole(wav);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    open(test::writeFile(dir.path(), "cut.wav", whole.read(whole.size() / 2)));
    QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying(), 4000);
    QCOMPARE(position(), 0);
    button("CommandSCE7")->click();
    open(wav);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 100, 3000);
    delete form.data();
}

CORVANE_WIDGET_TEST_MAIN(SessionTest)

#include "session_test.moc"
