#pragma once
// What the web part of the Flash display area offers. It runs in a process
// of its own (corvane-flash-host), started when the Flash opening's dialog
// first opens or the first movie is set; the program reaches it through
// RemoteFlashEngine and links none of the web engine's libraries.
#include <functional>
#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QVariant>

class QWidget;

namespace corvane {

// One entry of the movie's menu as the engine reports it. Plain values only,
// so that an engine in another process can hand them over as they are.
struct FlashMenuEntry {
    QString key;      // a built-in entry ("play", "quality-low", ...); empty for the movie's own
    QString caption;  // the movie's own entry's caption; empty for a built-in one
    bool enabled = false;
    bool checked = false;
    bool separatorBefore = false;  // the movie asks for a line above its entry
};

class FlashEngine {
public:
    virtual ~FlashEngine() = default;

    // Starts the engine and the page in steps between the event loop's
    // turns, and readies Ruffle in it with movies of its own, played unseen
    // and unheard (the page's warm-up), so that all is ready
    // when a movie's bytes come; nothing when it is ready or on its way.
    virtual void openPage() = 0;
    // Shows the movie in these bytes, read from the file at `path`,
    // replacing any other; starts it playing or stopped, silent or not. What
    // the movie saves (SharedObject) is kept for the file's real path and
    // handed back when that file is shown again; an empty path keeps nothing.
    virtual void loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted) = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual void setMuted(bool muted) = 0;

    // The movie's menu as it stands, for a right-click at `at` in the area:
    // its entries in the order shown, none when there is no movie. After a
    // list that is not empty comes exactly one runMenuEntry: the place in it
    // of the entry chosen, or -1 when the menu closed with none.
    virtual void menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done) = 0;
    virtual void runMenuEntry(int index) = 0;

    // `done` comes once what the movies saved so far (SharedObject) is on
    // disk: at the end, before the engine goes.
    virtual void keepSaved(std::function<void()> done) = 0;

    // For tests and benchmarks: a script's result in the page (an invalid
    // value when there is no page), and the page process, 0 if none.
    virtual void evaluate(const QString& script, std::function<void(const QVariant&)> done) = 0;
    virtual qint64 renderProcessId() const = 0;
};

// The web part's one entry point, in the host: a new engine whose view fills `area`.
using CreateFlashEngine = FlashEngine* (*)(QWidget* area);
inline constexpr char CreateFlashEngineSymbol[] = "corvane_create_flash_engine";

}  // namespace corvane
