#pragma once
// What the Flash test programs share: the real main window with its Flash display area, on a
// real X display, and ways to look at what the area shows. One display area serves all the
// tests of a program.
#include "DispatchIds.h"
#include "flash/FlashEngine.h"
#include "flash/FlashPlayer.h"
#include "Form1.h"
#include "Pixels.h"
#include "SecondaryWindows.h"
#include "TestFiles.h"

#include <functional>
#include <memory>
#include <optional>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace corvane::test {

inline bool waitFor(const std::function<bool()>& ok, int timeoutMs = 20000) { return QTest::qWaitFor(ok, timeoutMs); }
constexpr int ColdStartMs = 60000;  // what a cold start of the engine's process may take

class FlashAreaTest : public QObject {
protected:
    // The main window at `at` (out of the way of other tests' windows), shown.
    void openWindow(QPoint at)
    {
        window_ =
                std::make_unique<Form1>(secondary_, MediaDeviceOptions{QStringLiteral("null"), QStringLiteral("null")});
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        window_->move(at);
        player_ = qobject_cast<FlashPlayer*>(window_->widget("ShockwaveFlash1"));
        window_->show();
        QVERIFY(player_);
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void show(const QString& name, const QByteArray& bytes)
    {
        player_->put(dispid::flash::Movie, writeFile(dir_.path(), name, bytes));
    }
    // The widget's own rendering: other tests' windows cannot get in the way.
    static QImage shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage shot() const { return shot(player_); }
    bool shows(const QColor& c, double min = 0.3, int timeoutMs = 20000)
    {
        return waitFor([&] { return share(shot(), c) >= min; }, timeoutMs);
    }
    bool moves()
    {
        return waitFor([&, before = shot()] { return shot() != before; });
    }
    // Nothing changes over a second and a half.
    bool holds()
    {
        QImage still = shot();
        QElapsedTimer quiet;
        quiet.start();
        return waitFor([&] {
            if (const QImage now = shot(); now != still)
                still = now, quiet.restart();
            return quiet.hasExpired(1500);
        });
    }
    QVariant evaluate(const QString& script)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        if (FlashEngine* engine = player_->engine())
            engine->evaluate(script, [answer](const QVariant& v) { *answer = v; });
        waitFor([&] { return answer->has_value(); }, 10000);
        return answer->value_or(QVariant());
    }

    QTemporaryDir dir_;
    SecondaryWindows secondary_;
    std::unique_ptr<Form1> window_;
    FlashPlayer* player_ = nullptr;
};

}  // namespace corvane::test
