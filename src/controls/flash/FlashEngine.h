#pragma once
// What the web part of the Flash display area offers. It lives in a module
// of its own that is loaded only when the Flash opening's dialog first
// opens or the first movie is set, so that the program starts without the
// web engine's libraries and memory.
#include <functional>
#include <QByteArray>
#include <QString>
#include <QVariant>

class QWidget;

namespace corvane {

class FlashEngine {
public:
    virtual ~FlashEngine() = default;

    // Starts the engine and the page in steps between the event loop's
    // turns, and readies Ruffle in it with movies of its own, played unseen
    // and unheard (the page's warm-up), so that all is ready
    // when a movie's bytes come; nothing when it is ready or on its way.
    virtual void openPage() = 0;
    // Shows the movie in these bytes, replacing any other; starts it playing
    // or stopped, silent or not.
    virtual void loadMovie(const QByteArray& bytes, bool playing, bool muted) = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual void setMuted(bool muted) = 0;

    // For tests and benchmarks: a script's result in the page (an invalid
    // value when there is no page), and the page process, 0 if none.
    virtual void evaluate(const QString& script, std::function<void(const QVariant&)> done) = 0;
    virtual qint64 renderProcessId() const = 0;
};

// The module's one entry point: a new engine whose view fills `area`.
using CreateFlashEngine = FlashEngine* (*)(QWidget* area);
inline constexpr char CreateFlashEngineSymbol[] = "corvane_create_flash_engine";

}  // namespace corvane
