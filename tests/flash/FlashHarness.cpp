#include "FlashHarness.h"

#include "FlashEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace corvane::test {

FlashHarness::FlashHarness() : window_(std::make_unique<QWidget>())
{
    window_->setWindowTitle(QStringLiteral("Flash test"));
    window_->resize(309, 229);
    window_->move(960, 780); // out of the way of other tests' windows
    player_ = new FlashPlayer(window_.get());
    player_->setGeometry(10, 10, 289, 209);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get()))
        qWarning("the test window was never exposed");
}

FlashHarness::~FlashHarness() = default;

QString FlashHarness::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = dir_.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QImage FlashHarness::shot() const
{
    // The widget's own rendering, as shown on the X display: other windows
    // of tests running at the same time cannot get in the way.
    return player_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool FlashHarness::waitForChange(const QImage& before, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        QTest::qWait(50);
        if (shot() != before)
            return true;
    }
    return false;
}

QImage FlashHarness::waitForStill(int quietMs, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    QImage last = shot();
    QElapsedTimer still;
    still.start();
    while (t.elapsed() < timeoutMs) {
        QTest::qWait(50);
        const QImage now = shot();
        if (now != last) {
            last = now;
            still.restart();
        } else if (still.elapsed() >= quietMs) {
            return last;
        }
    }
    return {};
}

double FlashHarness::colourShare(const QImage& image, const QColor& c)
{
    if (image.isNull())
        return 0;
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - c.red()) < 12 && std::abs(qGreen(p) - c.green()) < 12
                && std::abs(qBlue(p) - c.blue()) < 12)
                ++hits;
        }
    }
    return double(hits) / (double(image.width()) * image.height());
}

bool FlashHarness::waitForColour(const QColor& c, double share, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (colourShare(shot(), c) >= share)
            return true;
        QTest::qWait(50);
    }
    return false;
}

QVariant FlashHarness::evaluate(const QString& script, int timeoutMs) const
{
    FlashEngine* engine = player_->engine();
    if (!engine)
        return {};
    struct Answer {
        QVariant value;
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    answer->loop = &loop;
    engine->evaluate(script, [answer](const QVariant& r) {
        answer->value = r;
        answer->done = true;
        if (answer->loop)
            answer->loop->quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!answer->done)
        loop.exec();
    answer->loop = nullptr;
    return answer->value;
}

int runFlashTests(QObject* tests, int argc, char** argv)
{
    FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    return QTest::qExec(tests, argc, argv);
}

} // namespace corvane::test
