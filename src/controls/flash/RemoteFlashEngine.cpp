#include "RemoteFlashEngine.h"

#include "FlashFocusKeys.h"
#include "FlashFullScreen.h"
#include "FlashHostProcess.h"
#include "FlashMenuKeys.h"
#include "FlashScreenKeys.h"
#include "wire/FlashFrames.h"
#include "wire/FlashInput.h"
#include "wire/FlashProtocol.h"
#include "wire/FlashWire.h"

#include <csignal>
#include <QEvent>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>

Q_LOGGING_CATEGORY(lcFlashRemote, "corvane.flash.remote", QtWarningMsg)

namespace corvane {

using namespace flashwire;

namespace {

// The area's own: the right button's clicks, the keys that open the movie's
// menu and those that leave the area, or its full screen.
bool areasOwn(const QEvent& event, bool fullScreen)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return static_cast<const QMouseEvent&>(event).button() == Qt::RightButton;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(event);
        return flashmenu::opensMenu(key) || flashfocus::leavesArea(key)
                || (fullScreen && flashscreen::leavesFullScreen(key));
    }
    default: return false;
    }
}

QString name(const char* message) { return QString::fromLatin1(message); }

}  // namespace

bool RemoteFlashEngine::available() { return !FlashHostProcess::program().isEmpty(); }

RemoteFlashEngine::RemoteFlashEngine(QWidget* area) : area_(area)
{
    // The page's pointer shape and hover need every move; its keys, the
    // focus; its text fields, what an input method commits.
    area->setMouseTracking(true);
    area->setFocusPolicy(Qt::StrongFocus);
    area->setAttribute(Qt::WA_InputMethodEnabled, true);
    area->installEventFilter(this);
    heartbeat_.setInterval(flashwatch::HeartbeatMs);
    connect(&heartbeat_, &QTimer::timeout, this, &RemoteFlashEngine::beat);
    clock_.start();
}

RemoteFlashEngine::~RemoteFlashEngine()
{
    // What the movie saved last is on its way to the disk: the host answers
    // once it is there, or the program goes without it after a moment.
    if (running() && ready_) {
        const qint64 id = send("keepSaved", {});
        wire_->sendAndWait(flashwatch::KeepSavedMs, [id](const QVariantList& m) {
            return m.value(0).toString() == QLatin1String(Reply) && m.value(1).toLongLong() == id;
        });
    }
    // The host sees its socket close and ends by itself.
    wire_.reset();
    FlashHostProcess::reapWhenEnded(hostProcess_);
    if (area_)
        area_->removeEventFilter(this);
}

bool RemoteFlashEngine::running() const { return wire_ && wire_->open(); }

bool RemoteFlashEngine::startHost(bool byPerson)
{
    if (running())
        return true;
    if (!area_ || !starts_.allow(byPerson, clock_.elapsed()))
        return false;
    FlashHostProcess process;
    if (!process.start(area_->devicePixelRatioF()))
        return false;
    hostProcess_ = process.pid();
    wire_ = std::make_unique<FlashWire>(process.socket(), process.spill(), FlashWire::Side::Area);
    frames_ = std::make_unique<FlashFrames>(process.frames(), false);
    connect(wire_.get(), &FlashWire::received, this, &RemoteFlashEngine::received);
    // Told in a turn of its own, and only of this host: a later one may run by then.
    connect(
            wire_.get(), &FlashWire::closed, this,
            [this, host = hostProcess_] {
                if (hostProcess_ == host)
                    hostGone();
            },
            Qt::QueuedConnection);
    ready_ = false;
    messages_ = 0;
    started_.start();
    heard_.start();
    heartbeat_.start();
    wire_->send({name(Size), area_->width(), area_->height()});
    wire_->send({name(Colour), area_->palette().color(QPalette::Window).name(QColor::HexArgb)});
    if (area_->hasFocus())
        wire_->send({name(Focus), true});
    return true;
}

qint64 RemoteFlashEngine::send(const char* method, const QVariantList& args, Answer done)
{
    const qint64 id = done ? ++lastId_ : 0;
    if (done)
        waiting_.emplace(id, std::move(done));
    QVariantList message = {name(EngineCall), id, QString::fromLatin1(method)};
    message += args;
    wire_->send(message);
    return id;
}

void RemoteFlashEngine::call(const char* method, const QVariantList& args)
{
    if (running())
        send(method, args);
}

void RemoteFlashEngine::ask(const char* method, const QVariantList& args, int deadlineMs, Answer done)
{
    if (!running()) {
        done({});
        return;
    }
    const qint64 id = send(method, args, std::move(done));
    QTimer::singleShot(deadlineMs, this, [this, id] { answer(id, {}); });
}

void RemoteFlashEngine::answer(qint64 id, const QVariant& value)
{
    const auto waiting = waiting_.find(id);
    if (waiting == waiting_.end())
        return;
    const Answer done = std::move(waiting->second);
    waiting_.erase(waiting);
    done(value);
}

void RemoteFlashEngine::openPage()
{
    if (startHost(true))
        send("openPage", {});
}

void RemoteFlashEngine::loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted)
{
    movie_ = Movie{bytes, path, playing, muted};
    if (startHost(true))
        sendMovie();
}

void RemoteFlashEngine::sendMovie()
{
    const Movie& m = *movie_;
    // Kept until the host says it has it: a host lost before then leaves
    // it to the next.
    movie_->call = send("loadMovie", {m.bytes, m.path, m.playing, m.muted}, [this](const QVariant& taken) {
        if (taken.isValid())
            movie_.reset();
    });
    const qint64 id = movie_->call;
    QTimer::singleShot(flashwatch::MovieTakenMs, this, [this, id] { answer(id, {}); });
}

void RemoteFlashEngine::setPlaying(bool playing)
{
    if (movie_)
        movie_->playing = playing;
    call("setPlaying", {playing});
}

void RemoteFlashEngine::setMuted(bool muted)
{
    if (movie_)
        movie_->muted = muted;
    call("setMuted", {muted});
}

void RemoteFlashEngine::received(const QVariantList& m)
{
    heard_.restart();
    ++messages_;
    const QString what = m.first().toString();
    if (what == QLatin1String(Frame)) {
        frameCame(m);
    } else if (what == QLatin1String(Blank)) {
        frame_ = {};
        if (area_)
            area_->update();
    } else if (what == QLatin1String(Reply)) {
        answer(m.at(1).toLongLong(), m.at(2));
    } else if (what == QLatin1String(Process)) {
        renderProcess_ = m.at(1).toLongLong();
    } else if (what == QLatin1String(Cursor)) {
        if (area_)
            area_->setCursor(Qt::CursorShape(m.at(1).toInt()));
    } else if (what == QLatin1String(Ready)) {
        ready_ = true;
    } else if (what == QLatin1String(FullScreen)) {
        emit fullScreenAsked(m.at(1).toBool());
    }
}

void RemoteFlashEngine::frameCame(const QVariantList& message)
{
    frame_ = frames_->read(message);
    // Copied: the host may write the next one.
    wire_->send({name(Taken)});
    if (area_)
        area_->update();
}

void RemoteFlashEngine::beat()
{
    if (!running()) {
        heartbeat_.stop();
        return;
    }
    const bool late = ready_ ? heard_.hasExpired(flashwatch::SilenceMs) : started_.hasExpired(flashwatch::StartMs);
    const bool flooding = std::exchange(messages_, 0) > flashwatch::MostMessagesPerBeat
            || wire_->takeOverrunTurns() > flashwatch::MostOverrunTurnsPerBeat;
    if (late || flooding) {
        qCDebug(lcFlashRemote) << "the Flash host does not answer, or floods: ending it";
        wire_->close();
        hostGone();
        return;
    }
    if (ready_)
        wire_->send({name(Ping), ++pings_});
}

void RemoteFlashEngine::hostGone()
{
    endHost();
    // A movie the host never took goes to a new one.
    if (movie_ && startHost(false)) {
        sendMovie();
        return;
    }
    movie_.reset();
    emit stopped();
}

void RemoteFlashEngine::endHost()
{
    // Whatever takes the host away (a crash, a kill, a hang, a message that
    // made no sense), it is ended and collected, and the area shows nothing.
    if (hostProcess_ > 0)
        ::kill(pid_t(hostProcess_), SIGKILL);
    FlashHostProcess::reapWhenEnded(std::exchange(hostProcess_, 0));
    heartbeat_.stop();
    wire_.reset();
    frames_.reset();
    frame_ = {};
    renderProcess_ = 0;
    ready_ = false;
    if (area_)
        area_->update();
    // Whoever waits for an answer gets none.
    for (auto& [id, done] : std::exchange(waiting_, {}))
        done({});
}

void RemoteFlashEngine::paint()
{
    QPainter painter(area_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area_->rect(), frame_);
}

bool RemoteFlashEngine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != area_)
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::Paint) {
        if (!frame_.isNull())
            paint();
        return false;
    }
    if (!running())
        return false;
    if (type == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        wire_->send({name(Size), size.width(), size.height()});
    } else if (type == QEvent::ParentChange) {
        wire_->send({name(Screen), FlashFullScreen::holding(area_) != nullptr});
    } else if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        wire_->send({name(Focus), type == QEvent::FocusIn});
    } else if (areasOwn(*event, FlashFullScreen::holding(area_) != nullptr)) {
        return false;  // the area shows the movie's menu, or lets the keyboard go: the page gets none of it
    } else if (const QList<QVariantList> input = flashinput::encode(*event); !input.isEmpty()) {
        for (const QVariantList& message : input)
            wire_->send(message);
        return true;  // the window's shortcuts saw keys before, as shortcut overrides
    }
    return false;
}

}  // namespace corvane
