// One default instance per window, loaded on demand, unloaded on close and
// loaded afresh; independent of the main window.
#include "SecondaryTestSupport.h"
#include "SecondaryWindows.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace corvane;
using corvane::test::control;
using corvane::test::flushDeletes;

namespace {
using Show = void (SecondaryWindows::*)();
using Loaded = QWidget* (SecondaryWindows::*)() const;

int topLevelsNamed(const QString& name)
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name) ++n;
    return n;
}
} // namespace

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }
    void oneInstanceRebuiltAfterClose_data();
    void oneInstanceRebuiltAfterClose();
    void reopenedHelpStartsAtTheTop();
    void windowsAreIndependentOfTheMainWindow();
    void exitClosesEverything();
    void endOfRunReleasesOpenWindows();
};

void LifecycleTest::oneInstanceRebuiltAfterClose_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("which");
    QTest::newRow("help") << "Form2" << 0;
    QTest::newRow("formats") << "Form3" << 1;
    QTest::newRow("about") << "Form4" << 2;
}

void LifecycleTest::oneInstanceRebuiltAfterClose()
{
    QFETCH(QString, form);
    QFETCH(int, which);
    const Show show[] = {&SecondaryWindows::showHelp, &SecondaryWindows::showFormats, &SecondaryWindows::showAbout};
    const Loaded loaded[] = {&SecondaryWindows::helpWindow, &SecondaryWindows::formatsWindow, &SecondaryWindows::aboutWindow};
    SecondaryWindows s;
    QVERIFY(!(s.*loaded[which])());
    QCOMPARE(topLevelsNamed(form), 0);

    (s.*show[which])();
    QPointer<QWidget> first = (s.*loaded[which])();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY((first->frameGeometry().center() - screen.center()).manhattanLength() <= 2);

    // A second click shows the same window, brought to the front.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    (s.*show[which])();
    QCOMPARE((s.*loaded[which])(), first.data());
    QCOMPARE(topLevelsNamed(form), 1);
    QVERIFY(QTest::qWaitForWindowActive(first));

    // Closing unloads: the window is destroyed...
    QVERIFY(first->close());
    QVERIFY(!(s.*loaded[which])());
    flushDeletes();
    QVERIFY(first.isNull());
    QCOMPARE(topLevelsNamed(form), 0);

    // ...and the next click builds it again.
    (s.*show[which])();
    QWidget* second = (s.*loaded[which])();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QCOMPARE(topLevelsNamed(form), 1);

    // Shown again right after a close, before the old one is gone.
    QPointer<QWidget> closing = second;
    second->close();
    (s.*show[which])();
    QVERIFY((s.*loaded[which])());
    QVERIFY((s.*loaded[which])() != closing.data());
    flushDeletes();
    QVERIFY(closing.isNull());
    QVERIFY((s.*loaded[which])() && (s.*loaded[which])()->isVisible());
}

void LifecycleTest::reopenedHelpStartsAtTheTop()
{
    SecondaryWindows s;
    s.showHelp();
    auto* text = control<QPlainTextEdit>(s.helpWindow(), QStringLiteral("Text1"));
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(text->verticalScrollBar()->value() > 0);
    QVERIFY(text->textCursor().position() > 0);
    s.helpWindow()->close();
    flushDeletes();
    s.showHelp();
    text = control<QPlainTextEdit>(s.helpWindow(), QStringLiteral("Text1"));
    QCOMPARE(text->verticalScrollBar()->value(), 0);
    QCOMPARE(text->textCursor().position(), 0);
    QVERIFY(!text->textCursor().hasSelection());
}

// Runs the application's event loop as the program does: closing the main
// window leaves the secondary windows open and usable, and the loop ends
// only when the last of them is closed.
void LifecycleTest::windowsAreIndependentOfTheMainWindow()
{
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    SecondaryWindows s;
    auto* main = new QWidget;
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    s.showFormats();
    s.showAbout();
    QCOMPARE(s.formatsWindow()->parentWidget(), nullptr);

    QStringList steps;
    auto openWindows = [&] {
        QStringList open;
        for (QWidget* w : {s.helpWindow(), s.formatsWindow(), s.aboutWindow()})
            if (w && w->isVisible()) open << w->objectName();
        return open.join(QLatin1Char(',')) + QStringLiteral(" closed:%1").arg(lastClosed.count());
    };
    QTimer::singleShot(0, qApp, [&] {
        main->close();
        QTimer::singleShot(0, qApp, [&] {
            steps << openWindows();
            s.showHelp();  // the menu's windows can still be opened
            s.formatsWindow()->close();
            QTimer::singleShot(0, qApp, [&] {
                steps << openWindows();
                s.helpWindow()->close();
                QTimer::singleShot(0, qApp, [&] {
                    steps << openWindows();
                    s.aboutWindow()->close();  // the last one: the loop ends
                });
            });
        });
    });
    // Should the loop not end by itself, end it after the steps with a
    // failure code instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
    guard.start(20000);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(steps, (QStringList{QStringLiteral("Form3,Form4 closed:0"), QStringLiteral("Form2,Form4 closed:0"),
                                 QStringLiteral("Form4 closed:0")}));
    QCOMPARE(lastClosed.count(), 1);
}

void LifecycleTest::exitClosesEverything()
{
    SecondaryWindows s;
    QPointer<QWidget> main = new QWidget;
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    s.showHelp();
    s.showFormats();
    s.showAbout();
    QPointer<QWidget> help = s.helpWindow(), formats = s.formatsWindow(), about = s.aboutWindow();
    QApplication::closeAllWindows();
    QVERIFY(!s.helpWindow() && !s.formatsWindow() && !s.aboutWindow());
    flushDeletes();
    QVERIFY(main.isNull() && help.isNull() && formats.isNull() && about.isNull());
}

void LifecycleTest::endOfRunReleasesOpenWindows()
{
    QPointer<QWidget> help, about;
    {
        SecondaryWindows s;
        s.showHelp();
        s.showAbout();
        help = s.helpWindow();
        about = s.aboutWindow();
    }
    QVERIFY(help.isNull());
    QVERIFY(about.isNull());
}

QTEST_MAIN(LifecycleTest)
#include "lifecycle_test.moc"
