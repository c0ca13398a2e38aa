#include "FlashPlayer.h"

#include "DispatchIds.h"
#include "FlashEngine.h"
#include "FlashFocusKeys.h"
#include "FlashFullScreen.h"
#include "FlashMenu.h"
#include "FlashMenuKeys.h"
#include "FlashScreenKeys.h"
#include "RemoteFlashEngine.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <unistd.h>
#include <utility>

namespace corvane {

// One read of a movie's file. The worker sets `bytes` and hands the rest to
// the GUI thread; there `player` says whether anybody still wants them.
struct FlashPlayer::Reading {
    std::atomic_bool cancelled = false;
    FlashPlayer* player = nullptr;  // touched on the GUI thread only
};

namespace {

// How the web engine runs Ruffle's WebAssembly (14 MB of it).
QByteArray scriptEngineFlags()
{
    QByteArray flags = "--js-flags=";
    // Compiled a function at a time as each is first called, not all of it
    // before the first movie starts, and each function checked as it is
    // compiled, not all of them while the module loads: the engine is warm
    // sooner (about 0.4 s of 1.8 s here).
    flags += "--wasm-lazy-compilation,--wasm-lazy-validation";
    // The code of each newly compiled function is not made writable and then
    // executable again by two system calls of its own: with thousands of
    // functions compiled while Ruffle starts, that made it ready about
    // 0.15 s later here (each call flushes the other cores' address caches).
    // What the page runs is the program's own scripts and Ruffle; movies are
    // data to Ruffle, and the page stays sandboxed and cut off from the network.
    flags += ",--no-wasm-write-protect-code-memory";
    // Hot functions are compiled again, optimised, on threads of their own:
    // as many as leave one core to the thread that plays the movie, which
    // otherwise waits for a core behind them while the first movie starts
    // (on 2 cores its first frame came 0.2 s after Return instead of 0.1 s).
    const int compilers = std::max(1, QThread::idealThreadCount() - 1);
    flags += ",--wasm-num-compilation-tasks=" + QByteArray::number(compilers);
    return flags;
}

}  // namespace

void FlashPlayer::prepareApplication()
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const auto add = [&flags](const char* flag) {
        if (!flags.contains(flag))
            flags += QByteArray(" ") + flag;
    };
    if (!flags.contains("--js-flags"))
        add(scriptEngineFlags().constData());
    // The page speaks the program's language whatever the desktop's: Ruffle
    // names the entries of the movie's menu in it, which the menu relies on.
    if (!flags.contains("--lang"))
        add("--lang=zh-CN");
    if (::geteuid() == 0) {
        // Chromium's sandbox cannot run as root; only then it goes. Without
        // it the zygote process serves nothing, and the engine's start would
        // hold the GUI thread until the zygote is up: page processes are then
        // started straight from the engine's launcher thread instead.
        add("--no-sandbox");
        add("--no-zygote");
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

FlashPlayer::FlashPlayer(QWidget* parent) : QWidget(parent) {}

FlashPlayer::~FlashPlayer()
{
    if (reading_) {
        reading_->cancelled = true;
        reading_->player = nullptr;
    }
}

QByteArray FlashPlayer::readMovie(const QString& path, const std::atomic_bool* cancelled)
{
    // Whatever the file, the player gets bytes and shows what it makes of
    // them; an unreadable file gives none, and the player its own error.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A file that is no Flash movie (any file can be chosen) needs only its
    // start for the player to tell so; a movie comes whole, up to a bound
    // that keeps a huge file from flooding the memory.
    constexpr qint64 Sniff = 64 * 1024;
    constexpr qint64 Largest = 256 * 1024 * 1024;
    constexpr qint64 Chunk = 4 * 1024 * 1024;  // how often a cancel is looked at
    QByteArray bytes = file.read(Sniff);
    const bool flash = bytes.startsWith("FWS") || bytes.startsWith("CWS") || bytes.startsWith("ZWS");
    if (!flash || file.size() > Largest)
        return bytes;
    bytes.reserve(file.size());
    while (!file.atEnd() && bytes.size() <= Largest) {
        if (cancelled && *cancelled)
            return {};
        const QByteArray chunk = file.read(Chunk);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

void FlashPlayer::warmUp()
{
    if (engineFailed_ || warmQueued_)
        return;
    // The engine starts in the dialog's first turn, at once: Ruffle needs
    // longer to get warm than a person takes to choose a movie. Its start
    // runs in the host's own processes; only spawning it falls on this
    // thread, after the dialog was asked to show. An engine whose process
    // went away starts a new one the same way.
    warmQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        warmQueued_ = false;
        startEngine();
    });
}

void FlashPlayer::startEngine()
{
    if (engine_) {
        engine_->openPage();
        return;
    }
    if (engineFailed_)
        return;
    prepareApplication();  // harmless again; covers a main() that forgot
    // The web engine runs in a process of its own, started here: the GUI
    // thread only starts it and goes on.
    engineFailed_ = !RemoteFlashEngine::available();
    if (engineFailed_)
        return;  // no host program: the display stays empty
    auto engine = std::make_unique<RemoteFlashEngine>(this);
    connect(engine.get(), &RemoteFlashEngine::stopped, this, &FlashPlayer::engineStopped);
    connect(engine.get(), &RemoteFlashEngine::fullScreenAsked, this, &FlashPlayer::setFullScreen);
    engine_ = std::move(engine);
    engine_->openPage();
}

void FlashPlayer::engineStopped()
{
    // Its answer to an open question is lost: the menu may be asked again.
    menuAsked_ = false;
    if (menu_)
        menu_->close();
    setFullScreen(false);  // nothing to show on it
    if (!playing_)
        return;
    playing_ = false;
    emit stoppedByEngine();
}

void FlashPlayer::startReading()
{
    if (reading_) {
        reading_->cancelled = true;
        reading_->player = nullptr;
    }
    auto reading = std::make_shared<Reading>();
    reading->player = this;
    reading_ = reading;
    QThreadPool::globalInstance()->start([reading, path = movie_] {
        QByteArray bytes = readMovie(path, &reading->cancelled);
        if (reading->cancelled)
            return;
        // The application outlives every worker of the global pool.
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [reading, bytes = std::move(bytes)] {
                    if (reading->player)
                        reading->player->movieRead(bytes);
                },
                Qt::QueuedConnection);
    });
}

void FlashPlayer::movieRead(const QByteArray& bytes)
{
    reading_.reset();
    if (engine_)
        engine_->loadMovie(bytes, movie_, playing_, muted_);
}

void FlashPlayer::put(DispId id, const Variant& value)
{
    if (id == dispid::flash::Movie) {
        movie_ = value.toText();
        playing_ = true;  // a new movie starts by itself
        // The engine and the page start while the file is read.
        startEngine();
        if (!engineFailed_)
            startReading();  // no web module: the display stays empty
        // The movie has the keyboard from the start; in a window that is not
        // active, once it is.
        if (engine_)
            setFocus(Qt::OtherFocusReason);
    } else if (id == dispid::flash::Mute) {
        muted_ = value.toBool();
        if (engine_)
            engine_->setMuted(muted_);
    }
}

Variant FlashPlayer::get(DispId id)
{
    if (id == dispid::flash::Movie)
        return movie_;
    if (id == dispid::flash::Mute)
        return muted_;
    if (id == dispid::flash::Playing)
        return playing_;
    return {};
}

QMenu* FlashPlayer::menu() const { return menu_; }

bool FlashPlayer::fullScreen() const { return FlashFullScreen::holding(this) != nullptr; }

void FlashPlayer::setFullScreen(bool on)
{
    if (on == fullScreen())
        return;
    if (!on)
        FlashFullScreen::holding(this)->leave();
    else if (engine_ && !movie_.isEmpty())
        FlashFullScreen::enter(this);
}

void FlashPlayer::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    const bool byKeyboard = event->reason() != QContextMenuEvent::Mouse;
    // The menu key on X comes with the pointer's place, which may be anywhere.
    openMenu(byKeyboard && !rect().contains(event->pos()) ? rect().center() : event->pos(), byKeyboard);
}

void FlashPlayer::keyPressEvent(QKeyEvent* event)
{
    // The keys that reach this far the page did not take (they open the
    // menu, leave the area, or the engine is gone): none goes on to the
    // window, where Return or the space bar might press a button.
    event->accept();
    if (flashmenu::opensMenu(*event))
        openMenu(rect().center(), true);
    else if (flashscreen::leavesFullScreen(*event))
        setFullScreen(false);
    else if (flashfocus::leavesArea(*event))
        QWidget::focusNextPrevChild(flashfocus::forward(*event));
}

bool FlashPlayer::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab stay while the area holds a movie; a disabled or
    // hidden area lets the focus go on.
    if (engine_ && !movie_.isEmpty() && isEnabled() && isVisible())
        return false;
    return QWidget::focusNextPrevChild(next);
}

void FlashPlayer::openMenu(QPoint at, bool byKeyboard)
{
    if (!engine_ || menuAsked_ || menu_)
        return;  // one menu at a time; the menu key may bring two requests
    menuAsked_ = true;
    engine_->menu(at, [self = QPointer<FlashPlayer>(this), at, byKeyboard](const QList<FlashMenuEntry>& entries) {
        if (self)
            self->showMenu(entries, at, byKeyboard);
    });
}

void FlashPlayer::showMenu(QList<FlashMenuEntry> entries, QPoint at, bool byKeyboard)
{
    menuAsked_ = false;
    if (entries.isEmpty() || !engine_)
        return;
    // The area's own entry goes with the zoom: after 全部显示, else last.
    const auto zoom = std::find_if(entries.begin(), entries.end(),
                                   [](const FlashMenuEntry& e) { return e.key == QLatin1String(flashmenu::ShowAll); });
    const int own = zoom == entries.end() ? int(entries.size()) : int(zoom - entries.begin()) + 1;
    entries.insert(own, FlashMenuEntry{QString::fromLatin1(flashmenu::FullScreen), {}, true, fullScreen(), false});
    QMenu* menu = flashmenu::build(entries, this);
    if (menu->isEmpty() || !isVisible()) {
        delete menu;
        engine_->runMenuEntry(-1);
        return;
    }
    menu_ = menu;
    auto chosen = std::make_shared<int>(-1);
    connect(menu, &QMenu::triggered, this, [chosen](QAction* action) { *chosen = action->data().toInt(); });
    // An entry's trigger comes after the menu hides: the choice is passed on
    // in the next turn, once it is known.
    connect(
            menu, &QMenu::aboutToHide, this,
            [this, menu, chosen, own] {
                menuClosed(*chosen, own);
                menu->deleteLater();
            },
            Qt::QueuedConnection);
    menu->popup(mapToGlobal(at));
    if (byKeyboard) {
        const QList<QAction*> actions = menu->actions();
        const auto first = std::find_if(actions.begin(), actions.end(),
                                        [](QAction* a) { return a->isEnabled() && !a->isSeparator(); });
        if (first != actions.end())
            menu->setActiveAction(*first);
    }
}

void FlashPlayer::menuClosed(int chosen, int fullScreenEntry)
{
    // The engine's entries are numbered without the area's own.
    if (engine_)
        engine_->runMenuEntry(chosen == fullScreenEntry ? -1 : chosen > fullScreenEntry ? chosen - 1 : chosen);
    if (chosen == fullScreenEntry)
        setFullScreen(!fullScreen());
}

Variant FlashPlayer::call(DispId id, const Args&)
{
    if (id == dispid::flash::Play || id == dispid::flash::Stop) {
        playing_ = id == dispid::flash::Play;
        if (engine_)
            engine_->setPlaying(playing_);
    }
    return {};
}

}  // namespace corvane
