// The program's main window with one Flash movie that saves, ended in one of
// the ways a person or the desktop ends it. It prints "saved" once the movie
// has saved in the page (not yet on disk), then:
//   menu    chooses Exit in the window's menu
//   close   closes the window
//   mpris   waits for the desktop's Quit (the test calls it on the bus)
//   term    waits for SIGTERM (the test sends it)
//
//   flash_quit_probe WAY MOVIE
#include "DesktopLink.h"
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "QuitSignals.h"
#include "SecondaryWindows.h"

#include <cstdio>
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTimer>

using namespace corvane;

int main(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    quitOnSignals();
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2)
        return 2;
    const QString& way = args.at(0);
    SecondaryWindows secondary;
    // Closed, the window deletes itself, as in the program.
    QPointer<Form1> form = new Form1(secondary, MediaDeviceOptions{QStringLiteral("null"), QStringLiteral("null")});
    form->show();
    new DesktopLink(*form);
    auto* flash = qobject_cast<FlashPlayer*>(form->widget(QStringLiteral("ShockwaveFlash1")));
    flash->put(dispid::flash::Movie, args.at(1));

    bool asking = false, saved = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (saved || asking || !flash->engine())
            return;
        asking = true;
        flash->engine()->evaluate(QStringLiteral("!!localStorage && Object.keys(localStorage).length > 0"),
                                  [&](const QVariant& v) {
                                      asking = false;
                                      if (saved || !v.toBool())
                                          return;
                                      saved = true;
                                      std::printf("saved\n");
                                      std::fflush(stdout);
                                      if (way == QLatin1String("menu"))
                                          form->menuItem(QStringLiteral("exit"))->trigger();
                                      else if (way == QLatin1String("close"))
                                          form->close();
                                  });
    });
    look.start(20);
    QTimer::singleShot(90000, &app, [] { QCoreApplication::exit(1); });
    const int rc = QApplication::exec();
    delete form.data();
    return saved ? rc : 1;
}
