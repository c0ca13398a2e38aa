#include "FlashHost.h"

#include "flash/FlashEngine.h"
#include "FlashEngineCalls.h"
#include "FlashFrameSource.h"
#include "FlashWebPage.h"
#include "wire/FlashInput.h"
#include "wire/FlashProtocol.h"

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <qpa/qplatformwindow.h>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>

extern "C" corvane::FlashEngine* corvane_create_flash_engine(QWidget* area);

namespace corvane {
namespace {
// The display area's size until it says.
constexpr QSize DefaultSize(289, 209);
constexpr QPoint OutOfSight(-32000, -32000);
// How soon after the person's key or click a movie may fill the screen: the
// movie asks as it handles that input.
constexpr qint64 InputMomentMs = 1000;

bool offScreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }
}  // namespace

using namespace flashwire;

FlashHost::FlashHost(int socket, int frames, int spill)
    : wire_(socket, spill, FlashWire::Side::Host), frames_(frames, true)
{
    area_.resize(DefaultSize);
    // Off screen, "shown" only has it drawn; on X its window stays unmapped.
    // Should it be mapped all the same (see keepOffTheScreen), it lies out
    // of sight, with no frame and no place in the window list.
    area_.setAttribute(Qt::WA_DontShowOnScreen, !offScreen());
    area_.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    area_.move(OutOfSight);
    area_.show();
    source_ = new FlashFrameSource(&area_);
    connect(source_, &FlashFrameSource::drawn, this, &FlashHost::drawn);
    // A view made after the area took the keyboard takes it as it shows.
    connect(source_, &FlashFrameSource::drawingAdded, this, &FlashHost::keepOffTheScreen);
    connect(source_, &FlashFrameSource::shown, this, [this] {
        watchPage();
        if (focused_)
            focus(true);
    });
    connect(source_, &FlashFrameSource::hidden, this, [this] { send({QString::fromLatin1(Blank)}); });
    connect(source_, &FlashFrameSource::cursorChanged, this, [this](int shape) {
        send({QString::fromLatin1(Cursor), shape >= 0 && shape <= Qt::LastCursor ? shape : int(Qt::ArrowCursor)});
    });
    connect(&wire_, &FlashWire::received, this, &FlashHost::received);
    connect(&wire_, &FlashWire::closed, this, &FlashHost::areaGone);
    engine_.reset(corvane_create_flash_engine(&area_));
    // The area hears from the host once its event loop runs.
    QTimer::singleShot(0, this, [this] { send({QString::fromLatin1(Ready)}); });
}

void FlashHost::keepOffTheScreen()
{
    // Once the page's view is in the area, Qt makes the area's window anew to
    // draw with OpenGL, and maps the new one whatever WA_DontShowOnScreen
    // says: a stray grey window at the corner of the person's screen, over
    // whatever lies there. Each new native window is unmapped again; Qt still
    // counts it as shown, so the view goes on drawing.
    QWindow* window = area_.windowHandle();
    QPlatformWindow* native = window ? window->handle() : nullptr;
    if (offScreen() || !native || !window->isVisible() || native->winId() == unmapped_)
        return;
    native->setVisible(false);
    unmapped_ = native->winId();
}

void FlashHost::areaGone()
{
    // The program ended, in whatever way: what the movie saved last is
    // still kept before the page goes.
    engine_->keepSaved([self = QPointer<FlashHost>(this)] {
        if (self)
            emit self->ended();
    });
}

FlashHost::~FlashHost() = default;

void FlashHost::send(const QVariantList& message)
{
    // Whoever hears from the host hears the page's process first, when it
    // changed: a reply about the page finds it up to date.
    if (const qint64 pid = engine_ ? engine_->renderProcessId() : 0; pid != process_) {
        process_ = pid;
        wire_.send({QString::fromLatin1(Process), pid});
    }
    wire_.send(message);
}

void FlashHost::received(const QVariantList& m)
{
    const QString name = m.first().toString();
    if (name == QLatin1String(Ping)) {
        wire_.send({QString::fromLatin1(Pong), m.at(1)});
    } else if (name == QLatin1String(EngineCall)) {
        const qint64 id = m.value(1).toLongLong();
        flashcalls::Reply reply = [this, id, self = QPointer<FlashHost>(this)](const QVariant& value) {
            if (self && id != 0)
                send({QString::fromLatin1(Reply), id, value});
        };
        if (!flashcalls::run(*engine_, m.value(2).toString(), m.mid(3), reply))
            reply({});  // a method this host does not know: no answer to give
    } else if (name == QLatin1String(Input)) {
        input(m);
    } else if (name == QLatin1String(Taken)) {
        frameTaken();
    } else if (name == QLatin1String(Size)) {
        area_.resize(QSize(m.value(1).toInt(), m.value(2).toInt()).expandedTo(QSize(1, 1)));
    } else if (name == QLatin1String(Colour)) {
        const QColor colour = QColor::fromString(m.value(1).toString());
        QPalette palette = area_.palette();
        palette.setColor(QPalette::Window, colour.isValid() ? colour : palette.color(QPalette::Window));
        area_.setPalette(palette);
    } else if (name == QLatin1String(Focus)) {
        focus(m.value(1).toBool());
    } else if (name == QLatin1String(Screen)) {
        screen(m.value(1).toBool());
    }
}

void FlashHost::input(const QVariantList& message)
{
    std::unique_ptr<QEvent> event = flashinput::decode(message);
    if (!event)
        return;
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress)
        pressed_.start();
    // Straight to the widget that shows the page: it fills the area, so the
    // area's coordinates are its own.
    if (QWidget* target = source_->inputTarget())
        QCoreApplication::sendEvent(target, event.get());
}

void FlashHost::focus(bool in)
{
    focused_ = in;
    QWidget* target = source_->inputTarget();
    if (in) {
        // An unmapped X window cannot be activated through the X server.
        if (offScreen())
            area_.activateWindow();
        else
            QApplication::setActiveWindow(&area_);
        if (target)
            target->setFocus(Qt::MouseFocusReason);
    } else if (target) {
        target->clearFocus();
    }
}

void FlashHost::watchPage()
{
    auto* page = qobject_cast<FlashWebPage*>(source_->view() ? source_->view()->page() : nullptr);
    if (!page)
        return;
    page->setFullScreenGate([this] { return pressed_.isValid() && !pressed_.hasExpired(InputMomentMs); });
    connect(page, &FlashWebPage::fullScreenChanged, this, &FlashHost::fullScreenAsked, Qt::UniqueConnection);
}

void FlashHost::fullScreenAsked(bool on)
{
    // The area that left first needs no telling: a late word might take it
    // out of a full screen chosen again meanwhile.
    pageFull_ = on;
    if (!on && std::exchange(leaving_, false))
        return;
    leaving_ = false;
    send({QString::fromLatin1(FullScreen), on});
}

void FlashHost::screen(bool full)
{
    // The area left the full screen the movie asked for: the page leaves it too.
    if (!full && pageFull_ && source_->view() && source_->view()->page()) {
        leaving_ = true;
        source_->view()->page()->triggerAction(QWebEnginePage::ExitFullScreen);
    }
}

void FlashHost::drawn()
{
    if (frameOut_) {
        drawnAgain_ = true;
        return;
    }
    if (grabQueued_)
        return;
    // Several draws in one turn make one frame.
    grabQueued_ = true;
    QTimer::singleShot(0, this, &FlashHost::sendFrame);
}

void FlashHost::sendFrame()
{
    grabQueued_ = false;
    keepOffTheScreen();
    QImage image = source_->grab();
    if (image.isNull())
        return;
    // Converted in place where it can be (an opaque grab's RGB32): the only
    // copy of the frame is then the one into the shared memory.
    const QVariantList message = frames_.write(std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    if (message.isEmpty())
        return;
    frameOut_ = true;
    send(message);
}

void FlashHost::frameTaken()
{
    frameOut_ = false;
    if (std::exchange(drawnAgain_, false))
        drawn();
}

}  // namespace corvane
