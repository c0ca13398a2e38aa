// The main window's help menu with the real window: each item opens its
// window beside the main window; the program ends with its last window.
#include "Form1.h"
#include "SecondaryTestSupport.h"
#include "SecondaryWindows.h"
#include "Startup.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace corvane;

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installLanguageAndFonts(); }
    void init();
    void cleanup();
    void itemsOpenTheirWindows();
    void programEndsWithTheLastWindow();
    void exitEndsWithWindowsOpen();

private:
    std::unique_ptr<SecondaryWindows> secondary;
    QPointer<Form1> form;
};

void MenuTest::init()
{
    secondary = std::make_unique<SecondaryWindows>();
    form = new Form1(*secondary, {QStringLiteral("null"), QStringLiteral("null")});
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void MenuTest::cleanup()
{
    delete form.data();
    secondary.reset();
    test::flushDeletes();
}

void MenuTest::itemsOpenTheirWindows()
{
    const struct { const char* item; QWidget* (SecondaryWindows::*loaded)() const; const char* name; } items[] = {
        {"help", &SecondaryWindows::helpWindow, "Form2"},
        {"former", &SecondaryWindows::formatsWindow, "Form3"},
        {"about", &SecondaryWindows::aboutWindow, "Form4"},
    };
    for (const auto& i : items) {
        QAction* action = form->menuItem(QString::fromLatin1(i.item));
        QVERIFY(action);
        action->trigger();
        QWidget* w = ((*secondary).*i.loaded)();
        QVERIFY(w);
        QCOMPARE(w->objectName(), QLatin1String(i.name));
        QVERIFY(w->isVisible());
        action->trigger();
        QCOMPARE(((*secondary).*i.loaded)(), w);
    }
    // Nothing blocks the main window.
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(form->isEnabled());
    QVERIFY(form->isVisible());
}

void MenuTest::programEndsWithTheLastWindow()
{
    form->menuItem(QStringLiteral("help"))->trigger();
    form->menuItem(QStringLiteral("about"))->trigger();
    QStringList steps;
    QTimer::singleShot(0, qApp, [&] {
        form->close();  // its close box
        QTimer::singleShot(0, qApp, [&] {
            steps << QStringLiteral("form:%1 help:%2 about:%3").arg(!form.isNull()).arg(secondary->helpWindow() != nullptr).arg(secondary->aboutWindow() != nullptr);
            secondary->helpWindow()->close();
            QTimer::singleShot(0, qApp, [&] {
                steps << QStringLiteral("about:%1").arg(secondary->aboutWindow() != nullptr);
                secondary->aboutWindow()->close();
            });
        });
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
    guard.start(20000);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(steps, (QStringList{QStringLiteral("form:0 help:1 about:1"), QStringLiteral("about:1")}));
}

void MenuTest::exitEndsWithWindowsOpen()
{
    form->menuItem(QStringLiteral("help"))->trigger();
    form->menuItem(QStringLiteral("former"))->trigger();
    QPointer<QWidget> help = secondary->helpWindow(), formats = secondary->formatsWindow();
    QTimer::singleShot(0, qApp, [&] { form->menuItem(QStringLiteral("exit"))->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
    guard.start(20000);
    QCOMPARE(QApplication::exec(), 0);
    // The run is over; its windows go with it.
    delete form.data();
    secondary.reset();
    QVERIFY(help.isNull());
    QVERIFY(formats.isNull());
}

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
