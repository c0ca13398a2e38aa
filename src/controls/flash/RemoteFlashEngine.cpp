#include "RemoteFlashEngine.h"

#include "FlashHostProcess.h"
#include "FlashMenuKeys.h"
#include "host/FlashHost.h"
#include "wire/FlashFrames.h"
#include "wire/FlashInput.h"
#include "wire/FlashWire.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>

namespace corvane {
namespace {

// The right button's clicks and the keys that open the movie's menu.
bool opensMenu(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return static_cast<const QMouseEvent&>(event).button() == Qt::RightButton;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return flashmenu::opensMenu(static_cast<const QKeyEvent&>(event));
    default: return false;
    }
}

}  // namespace

bool RemoteFlashEngine::available() { return !FlashHostProcess::program().isEmpty(); }

RemoteFlashEngine::RemoteFlashEngine(QWidget* area) : area_(area)
{
    // The page's pointer shape and hover need every move; its keys, the focus.
    area->setMouseTracking(true);
    area->setFocusPolicy(Qt::StrongFocus);
    area->setAttribute(Qt::WA_InputMethodEnabled, false);
    area->installEventFilter(this);
}

RemoteFlashEngine::~RemoteFlashEngine()
{
    // The host sees its socket close and ends by itself.
    wire_.reset();
    FlashHostProcess::reapWhenEnded(hostProcess_);
    if (area_)
        area_->removeEventFilter(this);
}

bool RemoteFlashEngine::startHost()
{
    if (wire_ && wire_->open())
        return true;
    if (!area_)
        return false;
    FlashHostProcess process;
    if (!process.start(area_->devicePixelRatioF()))
        return false;
    hostProcess_ = process.pid();
    wire_ = std::make_unique<FlashWire>(process.socket(), process.spill());
    frames_ = std::make_unique<FlashFrames>(process.frames(), false);
    connect(wire_.get(), &FlashWire::received, this, &RemoteFlashEngine::received);
    connect(wire_.get(), &FlashWire::closed, this, &RemoteFlashEngine::hostGone, Qt::QueuedConnection);
    wire_->send({QString::fromLatin1(flashhost::Size), area_->width(), area_->height()});
    wire_->send({QString::fromLatin1(flashhost::Colour), area_->palette().color(QPalette::Window)});
    if (area_->hasFocus())
        wire_->send({QString::fromLatin1(flashhost::Focus), true});
    return true;
}

void RemoteFlashEngine::send(const char* method, qint64 id, const QVariantList& args)
{
    QVariantList message = {QString::fromLatin1(flashhost::EngineCall), id, QString::fromLatin1(method)};
    message += args;
    wire_->send(message);
}

void RemoteFlashEngine::call(const char* method, const QVariantList& args)
{
    if (startHost())
        send(method, 0, args);
}

void RemoteFlashEngine::ask(const char* method, const QVariantList& args, Answer done)
{
    if (!startHost()) {
        done({});
        return;
    }
    const qint64 id = ++lastId_;
    waiting_.emplace(id, std::move(done));
    send(method, id, args);
}

void RemoteFlashEngine::received(const QVariantList& m)
{
    const QString name = m.first().toString();
    if (name == QLatin1String(FlashFrames::FrameName)) {
        frameCame(m);
    } else if (name == QLatin1String(FlashFrames::BlankName)) {
        frame_ = {};
        if (area_)
            area_->update();
    } else if (name == QLatin1String(flashhost::Reply)) {
        const auto answer = waiting_.find(m.value(1).toLongLong());
        if (answer != waiting_.end()) {
            const Answer done = std::move(answer->second);
            waiting_.erase(answer);
            done(m.value(2));
        }
    } else if (name == QLatin1String(flashhost::Process)) {
        renderProcess_ = m.value(1).toLongLong();
    } else if (name == QLatin1String(flashhost::Cursor) && area_) {
        area_->setCursor(Qt::CursorShape(m.value(1).toInt()));
    }
}

void RemoteFlashEngine::frameCame(const QVariantList& message)
{
    frame_ = frames_->read(message);
    // Copied: the host may write the next one.
    wire_->send({QString::fromLatin1(FlashFrames::TakenName)});
    if (area_)
        area_->update();
}

void RemoteFlashEngine::hostGone()
{
    // A host that went away (crashed, or was ended) leaves the area empty.
    FlashHostProcess::reapWhenEnded(std::exchange(hostProcess_, 0));
    wire_.reset();
    frames_.reset();
    frame_ = {};
    renderProcess_ = 0;
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
    if (!wire_ || !wire_->open())
        return false;
    if (type == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        wire_->send({QString::fromLatin1(flashhost::Size), size.width(), size.height()});
    } else if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        wire_->send({QString::fromLatin1(flashhost::Focus), type == QEvent::FocusIn});
    } else if (opensMenu(*event)) {
        return false;  // the area shows the movie's menu: the page gets none of it
    } else if (const QVariantList input = flashinput::encode(*event); !input.isEmpty()) {
        wire_->send(input);
        return true;  // the window's shortcuts saw keys before, as shortcut overrides
    }
    return false;
}

}  // namespace corvane
