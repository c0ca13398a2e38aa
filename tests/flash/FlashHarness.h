#pragma once
// A shown window holding one Flash display area, with what the tests need
// to watch it: screenshots of the area, a look into the page and movie files
// written on the fly.
#include "FlashPlayer.h"
#include "SwfWriter.h"

#include <QImage>
#include <QTemporaryDir>
#include <QVariant>
#include <QWidget>
#include <memory>

namespace corvane::test {

class FlashHarness {
public:
    FlashHarness();
    ~FlashHarness();

    FlashPlayer& player() { return *player_; }
    QWidget& window() { return *window_; }

    // Writes bytes to a new file in a private folder; returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes);

    // The display area as it shows now.
    QImage shot() const;
    // Waits until the display shows something other than `before`.
    bool waitForChange(const QImage& before, int timeoutMs = 15000) const;
    // Waits until the display holds still over `quietMs`; returns the frame.
    QImage waitForStill(int quietMs = 700, int timeoutMs = 15000) const;
    // Waits until some pixel near colour c covers at least `share` of the area.
    bool waitForColour(const QColor& c, double share, int timeoutMs = 20000) const;

    // A script's result in the page; invalid when there is no page.
    QVariant evaluate(const QString& script, int timeoutMs = 10000) const;

    static double colourShare(const QImage& image, const QColor& c);

private:
    std::unique_ptr<QWidget> window_;
    FlashPlayer* player_ = nullptr;
    QTemporaryDir dir_;
};

// main() for the Flash tests: prepares the application for the web engine.
int runFlashTests(QObject* tests, int argc, char** argv);

} // namespace corvane::test
