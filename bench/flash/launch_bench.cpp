// Starts the program's main window as start-up does, and prints the wall
// clock (ns since the epoch) when it has been painted, with the memory then.
// run.sh takes the time before the launch; the difference is the launch.
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "Icons.h"
#include "ProcessMemory.h"
#include "SecondaryWindows.h"
#include "Startup.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // After this paint the backing store goes to the screen; the
            // zero timer runs once that is done.
            QTimer::singleShot(0, o, [] {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::printf("painted_ns=%lld own_rss_kib=%lld children_rss_kib=%lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                            static_cast<long long>(corvane::bench::ownResidentKiB()),
                            static_cast<long long>(corvane::bench::childrenResidentKiB()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace corvane;
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    installLanguageAndFonts();
    QApplication::setWindowIcon(appIcon());
    SecondaryWindows secondary;
    QPointer<Form1> form1 = new Form1(secondary);  // deletes itself on close
    FirstPaint watch;
    form1->installEventFilter(&watch);
    form1->adjustSize();
    QRect frame = form1->frameGeometry();
    frame.moveCenter(form1->screen()->availableGeometry().center());
    form1->move(frame.topLeft());
    form1->show();
    const int rc = QApplication::exec();
    delete form1.data();
    return rc;
}
