// Plays one file through the media device to its end, with the picture in
// the device's video window ("window") or sent to the null output ("null"),
// and prints the window's size in device pixels and the frames it drew. The
// sound goes to the null output. run.sh times the whole process.
//
//   bench_video window|null FILE
#include "DispatchIds.h"
#include "media/MediaDevice.h"
#include <malloc.h>

#include <cstdio>
#include <QApplication>
#include <QTimer>
#include <QWidget>

using namespace corvane;

int main(int argc, char** argv)
{
    mallopt(M_ARENA_MAX, 64);  // as the program's main() does
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 3 || (a[1] != QLatin1String("window") && a[1] != QLatin1String("null"))) {
        std::fprintf(stderr, "usage: bench_video window|null FILE\n");
        return 2;
    }
    const QString video = a[1] == QLatin1String("null") ? QStringLiteral("null") : QString();
    MediaDevice device{nullptr, {QStringLiteral("null"), video}};
    device.advise([](DispId ev, const Args&) {
        if (ev == dispid::mci::Done)
            QCoreApplication::exit(0);
    });
    QTimer::singleShot(120000, [] { QCoreApplication::exit(1); });
    device.put(dispid::mci::DeviceType, QStringLiteral("MPEGVideo"));
    device.put(dispid::mci::FileName, a[2]);
    device.put(dispid::mci::Command, QStringLiteral("open"));
    device.put(dispid::mci::Command, QStringLiteral("play"));
    const int rc = QApplication::exec();
    if (const QWidget* w = device.videoWindow()) {
        const QSize px = w->size() * w->devicePixelRatio();
        std::printf("window %dx%d, frames drawn %llu\n", px.width(), px.height(),
                    static_cast<unsigned long long>(w->property("framesTaken").toULongLong()));
    } else {
        std::printf("window none\n");
    }
    return rc;
}
