// The floor of the Flash display's stack: the same host page and Ruffle in a
// bare QWebEngineView, made the way any program that links the web engine
// makes one, in a fresh process. It shows an empty window; the first Return
// creates the view with the first movie, the next Return shows the second.
// An outside observer times both from the key to the frame on the screen.
// With --self it presses Return itself and prints its own figures; with
// --screen it plays the full-screen figures' movie on the whole screen and
// prints them.
#include "ScreenFigures.h"
#include "TimedMovies.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <cstdio>

namespace {

// The page's files from the build folder; movie-N.swf from the arguments.
class Files : public QWebEngineUrlSchemeHandler {
public:
    QStringList movies;
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const QString name = job->requestUrl().path().mid(1);
        QString path = QDir(QStringLiteral(CORVANE_FLASH_WEB_DIR)).filePath(name);
        if (name.startsWith(QLatin1String("movie-")))
            path = movies.value(name.mid(6).chopped(4).toInt() - 1);
        auto* file = new QFile(path, job);
        if (!file->open(QIODevice::ReadOnly))
            return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        const QByteArray type = name.endsWith(".wasm") ? "application/wasm"
                : name.endsWith(".js")                 ? "text/javascript"
                : name.endsWith(".html")               ? "text/html"
                                                       : "application/x-shockwave-flash";
        job->reply(type, file);
    }
};

class Floor : public QWidget {
public:
    Files files;
    QWebEngineView* view = nullptr;
    QString prefer;  // the script that picks Ruffle's renderer
    int shown = 0;
    void next()
    {
        const QString open = prefer + QStringLiteral("corvaneFlash.open('movie-%1.swf', true, false)").arg(++shown);
        if (view) {
            view->page()->runJavaScript(open);
            return;
        }
        view = new QWebEngineView(this);
        view->page()->profile()->installUrlSchemeHandler("corvane", &files);
        view->setGeometry(10, 10, 289, 209);
        connect(view, &QWebEngineView::loadFinished, view, [this, open] { view->page()->runJavaScript(open); });
        view->setUrl(QUrl(QStringLiteral("corvane://flash/host.html")));
        view->show();
    }
    // Return wherever the focus is, the view included; each press once.
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Return) {
            const auto at = static_cast<QKeyEvent*>(e)->timestamp();
            if (at != lastPress)
                next();
            lastPress = at;
        }
        return false;
    }
    quint64 lastPress = 0;
};

bool showsColour(QWidget& w, const QColor& c)
{
    const QPoint at = w.mapToGlobal(QPoint(10, 10));
    const QImage img = w.screen()->grabWindow(0, at.x(), at.y(), 289, 209).toImage();
    int hits = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            hits += (img.pixel(x, y) & 0xF0F0F0) == (c.rgb() & 0xF0F0F0);
    return hits * 16 > img.width() * img.height() / 3;
}

double untilShown(Floor& w, const QColor& c)
{
    QElapsedTimer t;
    t.start();
    w.next();
    while (!showsColour(w, c) && t.elapsed() < 30000)
        QTest::qWait(5);
    return t.elapsed() < 30000 ? double(t.nsecsElapsed()) / 1e6 : -1;
}

// The view on the whole screen, playing the moving movie: its frames drawn.
int screenFigures(Floor& window, const QString& movie)
{
    window.files.movies << movie;
    window.setGeometry(window.screen()->geometry());
    window.show();
    window.next();
    window.view->setGeometry(window.rect());
    int frames = 0;
    QQuickWidget* quick = nullptr;
    if (!QTest::qWaitFor([&] { return (quick = window.view->findChild<QQuickWidget*>()) && quick->quickWindow(); },
                         60000))
        return 1;
    QObject::connect(quick->quickWindow(), &QQuickWindow::afterRendering, quick, [&frames] { ++frames; });
    if (!QTest::qWaitFor([&] { return frames > 60; }, 60000))
        return 1;
    const QSize size = quick->size() * quick->devicePixelRatio();
    std::printf("bare_screen=%dx%d ", size.width(), size.height());
    corvane::bench::measureFrames("bare", frames);
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QWebEngineUrlScheme scheme("corvane");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
    // Ruffle's WebGL renderer as the player has it (WebGL on a software
    // rasteriser too), unless CORVANE_FLASH_RENDERER=canvas.
    const bool canvas = qgetenv("CORVANE_FLASH_RENDERER") == "canvas";
    QByteArray flags = canvas ? "" : "--ignore-gpu-blocklist";
    if (::geteuid() == 0)
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QApplication app(argc, argv);
    Floor window;
    window.prefer = QStringLiteral("corvaneFlash.prefer('%1');").arg(canvas ? "canvas" : "wgpu-webgl");
    window.setWindowTitle(QStringLiteral("flash floor"));
    app.installEventFilter(&window);
    window.resize(309, 229);
    const QStringList args = QApplication::arguments();
    const bool self = args.contains(QLatin1String("--self"));
    window.files.movies = args.mid(1).filter(QRegularExpression(QStringLiteral("\\.swf$")));
    if (args.contains(QLatin1String("--screen"))) {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("moving.swf")));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(corvane::test::writeSwf(corvane::bench::movingSquare())) <= 0)
            return 1;
        file.close();
        return screenFigures(window, file.fileName());
    }
    window.show();
    if (!self)
        return QApplication::exec();

    // Its own movies, the observer's colours.
    QTemporaryDir dir;
    const TimedMovies movies;
    const QStringList written = movies.write(QDir(dir.path()));
    if (written.isEmpty())
        return 1;
    window.files.movies << written;
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const double cold = untilShown(window, movies.a.background);
    QTest::qWait(1000);
    const double warm = untilShown(window, movies.b.background);
    std::printf("floor_cold_ms=%.1f floor_warm_ms=%.1f\n", cold, warm);
    return cold < 0 || warm < 0 ? 1 : 0;
}
