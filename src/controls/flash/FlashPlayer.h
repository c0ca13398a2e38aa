#pragma once
// The Flash player control: a display area that plays a movie.
//
// The movie runs in Ruffle inside a locked-down web view, in a process of
// its own (RemoteFlashEngine) that is started only when the Flash opening's
// dialog first opens (warmUp) or the first movie is set, so a person who
// never opens one pays nothing for it, neither at start nor in memory. The
// engine's start never waits on this process's GUI thread; the area paints
// the frames that process sends and passes the person's input on.
//
// The movie's file is read on a worker thread while the page starts; the
// page gets the bytes when both are ready. Only the latest movie counts: a
// read overtaken by another movie is dropped, and "stop" given meanwhile
// holds for the movie when it comes.
//
// A movie set takes the keyboard to the area, and the page gives it to the
// movie: its keys work with no click first. Tab and Shift+Tab are the
// movie's; Ctrl+Tab and Ctrl+Shift+Tab go on to the window's next and
// previous controls (FlashFocusKeys). The window's shortcuts and access keys
// stay the window's, and no key the area gets goes on to the window (the
// space bar and Return press none of its buttons). What an input method
// commits goes to the movie's text field whole.
//
// A right-click, the menu key or Shift+F10 on the area opens the movie's
// menu (FlashMenu) as a menu of the program: the engine reports its entries
// and runs the one chosen. It acts on the movie only; the program's play and
// stop are not touched.
//
// The menu's 全屏 shows the movie on the whole screen (FlashFullScreen),
// drawn at the screen's size; 全屏 again, or Escape, gives the window back.
// The movie keeps the keyboard and the pointer meanwhile. A movie that asks
// for the full screen itself (Stage.displayState) gets it only just after
// the person's key or click in it.
//
// An engine that goes away with its movie (its process ended or hung) leaves
// the movie stopped, as if Stop had been pressed; the next Flash opening
// starts a new one.
#include "Dispatch.h"
#include "FlashEngine.h"

#include <atomic>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QPointer>
#include <QWidget>

class QMenu;

namespace corvane {

class FlashPlayer : public QWidget, public Dispatch {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr);
    ~FlashPlayer() override;

    // Call once in main(), before the QApplication is constructed: sets the
    // web engine's flags. When the process runs as root it turns off
    // Chromium's sandbox (which refuses to run as root); otherwise the
    // sandbox stays on. Nothing is loaded.
    static void prepareApplication();
    // The Flash opening's dialog opens: the libraries load, then the engine,
    // its page and Ruffle start with no movie, so that a movie chosen in the
    // dialog is only handed over. A cancelled dialog leaves them running for
    // the next time. Nothing when they are started or on their way.
    void warmUp();

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

    // The web part, once warmUp or a movie has made it (for tests and benchmarks).
    FlashEngine* engine() const { return engine_.get(); }
    // A movie's file is still being read (for tests and benchmarks).
    bool reading() const { return reading_ != nullptr; }

    // The movie's menu while it is open (for tests), or null.
    QMenu* menu() const;

    // The movie fills the screen, or not; full screen only while a movie is set.
    void setFullScreen(bool on);
    bool fullScreen() const;

    // The bytes of the file that the player gets; an empty result once
    // `cancelled` is set.
    static QByteArray readMovie(const QString& path, const std::atomic_bool* cancelled = nullptr);

signals:
    // The movie stopped by itself: its engine went away.
    void stoppedByEngine();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Reading;
    void startEngine();
    void startReading();
    void engineStopped();
    void movieRead(const QByteArray& bytes);
    void openMenu(QPoint at, bool byKeyboard);
    void showMenu(QList<FlashMenuEntry> entries, QPoint at, bool byKeyboard);
    void menuClosed(int chosen, int fullScreenEntry);

    QString movie_;
    bool playing_ = true;
    bool muted_ = false;
    bool engineFailed_ = false;  // the host program is missing
    bool warmQueued_ = false;    // warmUp's start is queued behind the dialog
    std::unique_ptr<FlashEngine> engine_;
    std::shared_ptr<Reading> reading_;  // the file being read, if any
    bool menuAsked_ = false;            // the engine is asked for the menu's entries
    QPointer<QMenu> menu_;              // the menu, while it is open
};

}  // namespace corvane
