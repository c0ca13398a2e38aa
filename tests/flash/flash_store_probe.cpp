// One run of the player's Flash display area, as a process of its own: it
// shows the movie given, prints which of the given colours it came to show,
// and quits the way the player does. With --saves it first waits until the
// movie has saved in the page (the player writes it to disk as it ends).
//
//   flash_store_probe [--saves] MOVIE RRGGBB...
#include "DispatchIds.h"
#include "flash/FlashPlayer.h"

#include <cstdio>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <QTimer>

using namespace corvane;

namespace {

constexpr int GiveUpMs = 60000;
constexpr double Enough = 0.3;  // of the area, as the tests ask of a shown movie

double share(const QImage& image, QRgb c)
{
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            hits += std::abs(qRed(p) - qRed(c)) < 12 && std::abs(qGreen(p) - qGreen(c)) < 12
                    && std::abs(qBlue(p) - qBlue(c)) < 12;
        }
    return image.isNull() ? 0 : double(hits) / (double(image.width()) * image.height());
}

}  // namespace

int main(int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool saves = !args.isEmpty() && args.first() == QLatin1String("--saves");
    if (saves)
        args.removeFirst();
    if (args.size() < 2)
        return 2;
    QWidget host;
    host.setGeometry(700, 100, 289, 209);
    auto* area = new FlashPlayer(&host);
    area->resize(host.size());
    host.show();
    area->put(dispid::flash::Movie, args.first());

    QString seen;
    bool asking = false, savedInPage = false;
    QElapsedTimer waited;
    waited.start();
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (waited.hasExpired(GiveUpMs))
            return app.exit(1);
        if (seen.isEmpty()) {
            const QImage shot = area->grab().toImage();
            for (const QString& colour : args.mid(1))
                if (share(shot, 0xff000000 | colour.toUInt(nullptr, 16)) >= Enough)
                    seen = colour;
        }
        // Saved in the page is enough: the player keeps it on its way out.
        if (!seen.isEmpty() && (!saves || savedInPage))
            app.quit();
        if (saves && !asking && !savedInPage && area->engine()) {
            asking = true;
            area->engine()->evaluate(QStringLiteral("!!localStorage && Object.keys(localStorage).length > 0"),
                                     [&](const QVariant& v) {
                                         asking = false;
                                         savedInPage = v.toBool();
                                     });
        }
    });
    look.start(50);
    const int result = app.exec();
    std::printf("%s\n", qPrintable(seen.isEmpty() ? QStringLiteral("none") : seen));
    return result;
}
