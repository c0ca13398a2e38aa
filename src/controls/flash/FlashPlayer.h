#pragma once
// The Flash player control: a display area that plays a movie.
//
// The movie runs in Ruffle inside a locked-down web view. The web engine and
// its libraries are loaded only when the first movie is set, so a person who
// never opens one pays nothing for them, neither at start nor in memory.
#include "Dispatch.h"

#include <memory>
#include <QByteArray>
#include <QWidget>

namespace corvane {

class FlashEngine;

class FlashPlayer : public QWidget, public Dispatch {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr);
    ~FlashPlayer() override;

    // Call once in main(), before the QApplication is constructed. When the
    // process runs as root it turns off Chromium's sandbox (which refuses to
    // run as root); otherwise the sandbox stays on. Nothing else is loaded.
    static void prepareApplication();

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

    // The web part, once a movie has started it (for tests and benchmarks).
    FlashEngine* engine() const { return engine_.get(); }

    // The bytes of the file that the player gets.
    static QByteArray readMovie(const QString& path);

private:
    QString movie_;
    bool playing_ = true;
    bool muted_ = false;
    bool engineFailed_ = false;  // the module could not be loaded
    std::unique_ptr<FlashEngine> engine_;
};

}  // namespace corvane
