// Whole sessions as a person drives them: open through the real dialog,
// let the media play to its end, repeat, pause, skip, stop, mute.
#include "DispatchIds.h"
#include "Form1.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace corvane;
using namespace corvane::dispid;

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openThroughTheDialog();
    void endWithRepeatPlaysAgain();
    void endWithoutRepeatStopsAtStart();
    void nextTakesTheEndPath();
    void pauseAndStopDoNotRewind();
    void sliderDoesNotSeek();
    void muteSilencesAtOnce();

private:
    // Types the path into the real dialog, as a person would, and presses Enter.
    void openVia(const char* trigger, const QString& path);
    QAbstractButton* button(const char* name) { return qobject_cast<QAbstractButton*>(form->widget(name)); }
    MediaDevice* device() { return static_cast<MediaDevice*>(form->dispatch("MMControl1")); }
    int position() { return device()->get(mci::Position).toInt(); }
    int length() { return device()->get(mci::Length).toInt(); }
    QSlider* slider() { return qobject_cast<QSlider*>(form->widget("Slider1")); }

    QTemporaryDir dir;
    QString wav;
    SecondaryWindows secondary;
    QPointer<Form1> form;
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

void SessionTest::openVia(const char* trigger, const QString& path)
{
    bool typed = false;
    QTimer::singleShot(50, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
        typed = true;
    });
    if (QAction* a = form->menuItem(QString::fromLatin1(trigger)))
        a->trigger();
    else
        button(trigger)->click();
    QVERIFY(typed);
}

void SessionTest::openThroughTheDialog()
{
    openVia("Command2", wav);
    QCOMPARE(device()->get(mci::FileName).toText(), wav);
    QVERIFY(device()->isOpen());
    QCOMPARE(length(), 1000);
    QCOMPARE(slider()->minimum(), 0);
    QCOMPARE(slider()->maximum(), 1000);
    for (int n = 1; n <= 7; ++n)
        QVERIFY(button(qPrintable(QStringLiteral("CommandSCE%1").arg(n)))->isEnabled());
    QVERIFY(!button("Command2")->isEnabled());
    // It plays: the slider follows the position.
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() > 100, 3000);
}

void SessionTest::endWithRepeatPlaysAgain()
{
    qobject_cast<QCheckBox*>(form->widget("Check2"))->setChecked(true);
    openVia("audio", wav);
    // Past the end it starts over: the position falls back and rises again.
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(position() < 400, 4000);
    QVERIFY(device()->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(slider()->value() < 400, 2000);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 200, 4000);
}

void SessionTest::endWithoutRepeatStopsAtStart()
{
    openVia("Command2", wav);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 600, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying(), 4000);
    QCOMPARE(position(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(slider()->value(), 0, 2000);
    QTest::qWait(400);
    QCOMPARE(position(), 0);  // it stays stopped at the start
    for (int n = 1; n <= 7; ++n)
        QVERIFY(button(qPrintable(QStringLiteral("CommandSCE%1").arg(n)))->isEnabled());
    // Play goes again from the start.
    button("CommandSCE2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(position() > 100, 3000);
}

void SessionTest::nextTakesTheEndPath()
{
    for (bool repeat : {false, true}) {
        qobject_cast<QCheckBox*>(form->widget("Check2"))->setChecked(repeat);
        openVia("audio", wav);
        button("CommandSCE3")->click();  // pause early, so only "next" can reach the end
        QTest::qWait(100);
        button("CommandSCE6")->click();
        if (repeat) {
            QTRY_VERIFY_WITH_TIMEOUT(device()->isPlaying() && position() < 500, 3000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!device()->isPlaying() && position() == 0, 3000);
        }
        button("CommandSCE7")->click();
    }
}

void SessionTest::pauseAndStopDoNotRewind()
{
    for (const char* halt : {"CommandSCE3", "CommandSCE7"}) {
        openVia("audio", wav);
        QTRY_VERIFY_WITH_TIMEOUT(position() > 300, 3000);
        if (QByteArray(halt) == "CommandSCE3") {
            button(halt)->click();
            QTest::qWait(200);  // the engine halts asynchronously
            const int at = position();
            QTest::qWait(1200);  // longer than the rest of the media
            QCOMPARE(position(), at);
            QVERIFY(at > 0);
            QVERIFY(device()->isOpen());
        } else {
            button(halt)->click();
            QVERIFY(!device()->isOpen());
            QCOMPARE(slider()->value(), 0);
            QVERIFY(button("Command1")->isEnabled() && !button("CommandSCE7")->isEnabled());
        }
        // Clean up for the next round.
        if (button("CommandSCE7")->isEnabled())
            button("CommandSCE7")->click();
    }
}

void SessionTest::sliderDoesNotSeek()
{
    openVia("audio", wav);
    button("CommandSCE3")->click();
    const int at = position();
    // Drag the thumb far to the right.
    QSlider* s = slider();
    const QPoint from(3 + (s->width() - 6) * at / 1000, s->height() / 2);
    QTest::mousePress(s, Qt::LeftButton, {}, from);
    QTest::mouseMove(s, QPoint(s->width() - 4, s->height() / 2));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(s->width() - 4, s->height() / 2));
    QTest::qWait(50);
    QCOMPARE(position(), at);
    // The next status update puts the thumb back.
    QTRY_COMPARE_WITH_TIMEOUT(s->value(), at, 1000);
}

void SessionTest::muteSilencesAtOnce()
{
    openVia("audio", wav);
    QVERIFY(!device()->engineMuted());
    auto* box = qobject_cast<QCheckBox*>(form->widget("Check1"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QVERIFY(box->isChecked());
    // The engine's own state, as it reports it back (asynchronously).
    QTRY_VERIFY_WITH_TIMEOUT(device()->engineMuted(), 500);
    // The next file starts muted; unticking brings the sound back.
    openVia("audio", wav);
    QTest::qWait(100);
    QVERIFY(device()->engineMuted());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(!device()->engineMuted(), 500);
}

CORVANE_WIDGET_TEST_MAIN(SessionTest)

#include "session_test.moc"
