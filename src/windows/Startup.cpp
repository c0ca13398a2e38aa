#include "Startup.h"

#include "CorvaneVersion.h"
#include "DesktopLink.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "Icons.h"
#include "QuitSignals.h"
#include "SecondaryWindows.h"
#include "SongFace.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

namespace corvane {

void installLanguageAndFonts()
{
    // The interface is Simplified Chinese whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalog : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* t = new QTranslator(qApp);
        if (t->load(QString::fromLatin1(catalog), dir))
            QCoreApplication::installTranslator(t);
        else
            delete t;
    }
    installSongFace();
}

int runCorvane(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    quitOnSignals();
    installLanguageAndFonts();
    QApplication::setApplicationName(QStringLiteral(CORVANE_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION_NUMERIC));
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    QApplication::setWindowIcon(appIcon());

    SecondaryWindows secondary;
    QPointer<Form1> form1 = new Form1(secondary);
    form1->adjustSize();
    const QRect screen = form1->screen()->availableGeometry();
    QRect frame = form1->frameGeometry();
    frame.moveCenter(screen.center());
    form1->move(frame.topLeft());
    form1->show();
    // Media keys, the desktop's panels and the screen saver, where there is
    // a session bus; it goes with the window. Its connection to the bus waits
    // for the window to be up.
    QTimer::singleShot(0, form1, [f = form1.data()] { new DesktopLink(*f); });

    const int rc = QApplication::exec();
    delete form1.data();
    return rc;
}

}  // namespace corvane
