#pragma once
// The Flash display area's engine as the program sees it: the web engine
// runs in a process of its own (FlashHostProcess, corvane-flash-host), so
// that its start never waits on the program's GUI thread and its crash does
// not take the window down. Each of the engine's methods goes across by
// name with plain values (one line here, one in host/FlashEngineCalls.cpp);
// those that answer, answer later, or with nothing at their deadline. The
// area paints the frames the host sends, scaled to its size, and its mouse,
// wheel, keys, typed text and focus go to the page, but for the right button
// and the keys that open the movie's menu (FlashMenuKeys), which the area
// shows itself, and those that leave the area (FlashFocusKeys).
//
// A host is started by a Flash opening (openPage, loadMovie) only. One that
// ends, hangs (FlashHostWatch) or sends what is no message is ended and let
// go: the area shows its own colour, and `stopped` tells the movie is no
// more. A movie handed over and not yet taken when that happens goes to a
// new host instead, as often as the start limit allows.
#include "FlashEngine.h"
#include "FlashHostWatch.h"
#include "wire/FlashMenuList.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantList>

class QWidget;

namespace corvane {

class FlashFrames;
class FlashWire;

class RemoteFlashEngine : public QObject, public FlashEngine {
    Q_OBJECT
public:
    // An engine drawn in `area`; starts nothing yet.
    explicit RemoteFlashEngine(QWidget* area);
    // Waits a moment for what the movie saved to be kept (KeepSavedMs).
    ~RemoteFlashEngine() override;
    // Whether the host program is there to be started.
    static bool available();

    void openPage() override;
    void loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted) override;
    void setPlaying(bool playing) override;
    void setMuted(bool muted) override;
    void menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done) override
    {
        ask("menu", {at.x(), at.y()}, flashwatch::MenuMs,
            [done = std::move(done)](const QVariant& v) { done(flashmenulist::decode(v)); });
    }
    void runMenuEntry(int index) override { call("runMenuEntry", {index}); }
    void keepSaved(std::function<void()> done) override
    {
        ask("keepSaved", {}, flashwatch::KeepSavedMs, [done = std::move(done)](const QVariant&) { done(); });
    }
    void evaluate(const QString& script, std::function<void(const QVariant&)> done) override
    {
        ask("evaluate", {script}, flashwatch::EvaluateMs, std::move(done));
    }
    qint64 renderProcessId() const override { return renderProcess_; }

    // The host process, 0 when none runs (for tests).
    qint64 hostProcessId() const { return hostProcess_; }
    // The last frame's size in pixels, as the host drew it (for tests).
    QSize frameSize() const { return frame_.size(); }

signals:
    // The host went away with the movie: nothing plays any more.
    void stopped();
    // The movie asks to fill the screen, just after the person's key or
    // click in it, or to leave it.
    void fullScreenAsked(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Answer = std::function<void(const QVariant&)>;
    struct Movie {
        QByteArray bytes;
        QString path;
        bool playing = true, muted = false;
        qint64 call = 0;  // the call that handed it over, until the host answers it
    };
    bool running() const;
    // Sends the call if a host runs.
    void call(const char* method, const QVariantList& args = {});
    void ask(const char* method, const QVariantList& args, int deadlineMs, Answer done);
    qint64 send(const char* method, const QVariantList& args, Answer done = {});
    void answer(qint64 id, const QVariant& value);
    bool startHost(bool byPerson);
    void sendMovie();
    void received(const QVariantList& message);
    void frameCame(const QVariantList& message);
    void beat();
    void hostGone();
    void endHost();
    void paint();

    QPointer<QWidget> area_;
    std::unique_ptr<FlashWire> wire_;
    std::unique_ptr<FlashFrames> frames_;
    QImage frame_;  // null: the page shows nothing
    std::map<qint64, Answer> waiting_;
    qint64 lastId_ = 0;
    qint64 renderProcess_ = 0;
    qint64 hostProcess_ = 0;
    std::optional<Movie> movie_;  // handed over, not yet taken
    bool ready_ = false;          // the host said its event loop runs
    QElapsedTimer started_;       // since the host's start
    QElapsedTimer heard_;         // since the host's last message
    QTimer heartbeat_;
    qint64 pings_ = 0;
    int messages_ = 0;  // heard since the last beat
    QElapsedTimer clock_;
    flashwatch::StartLimit starts_;
};

}  // namespace corvane
