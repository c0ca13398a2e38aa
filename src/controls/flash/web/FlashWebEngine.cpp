#include "FlashWebEngine.h"

#include "FlashProfile.h"
#include "FlashSchemeHandler.h"
#include "FlashWebPage.h"

#include "flash/FlashMenuKeys.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QOpenGLContext>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace corvane {

FlashWebEngine::FlashWebEngine(QWidget* area) : area_(area) {}

void FlashWebEngine::startStep()
{
    starting_ = false;
    switch (step_) {
    case Step::Graphics:
        // The engine's start asks the windowing system about OpenGL: Qt
        // loads its OpenGL plug-in and the driver, and makes a context to
        // try. Asked here first, in a turn of its own, the answer is kept.
        QOpenGLContext::supportsThreadedOpenGL();
        step_ = Step::Profile;
        break;
    case Step::Profile:
        // The first profile starts the web engine itself.
        scheme_ = new FlashSchemeHandler;
        profile_ = flashweb::createProfile(nullptr, scheme_);
        step_ = Step::Page;
        break;
    case Step::Page:
        page_ = new FlashWebPage(profile_, nullptr);
        // Only the host page's own load counts: a navigation the page refused
        // reports a failed load of its own, and the movie goes on regardless.
        connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            if (!loading_ || info.url() != FlashWebPage::hostUrl())
                return;
            if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                pageLoaded(true);
            else if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                pageLoaded(false);
        });
        connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] { renderProcessGone(); });
        step_ = Step::View;
        break;
    case Step::View: {
        view_ = new QWebEngineView(area_);
        view_->setPage(page_);
        view_->setContextMenuPolicy(Qt::PreventContextMenu);  // the area shows the movie's menu
        routeMenuEvents(view_);
        view_->hide();
        auto* layout = new QVBoxLayout(area_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        step_ = Step::Load;
        break;
    }
    case Step::Load:
        step_ = Step::Done;
        loadHostPage();
        return;
    case Step::Done: return;
    }
    starting_ = true;
    QTimer::singleShot(0, this, &FlashWebEngine::startStep);
}

FlashWebEngine::~FlashWebEngine()
{
    // The page must go before its profile.
    delete view_;
    delete page_;
    delete profile_;
}

void FlashWebEngine::openPage()
{
    if (step_ != Step::Done) {
        if (!starting_) {
            starting_ = true;
            QTimer::singleShot(0, this, &FlashWebEngine::startStep);
        }
        return;
    }
    if (!ready_ && !loading_)
        loadHostPage();
}

void FlashWebEngine::loadMovie(const QByteArray& bytes, bool playing, bool muted)
{
    pending_ = bytes;
    playing_ = playing;
    muted_ = muted;
    if (ready_)
        pushMovie();
    else
        openPage();
}

void FlashWebEngine::setPlaying(bool playing)
{
    playing_ = playing;
    if (ready_ && hasMovie_)
        run(playing_ ? QStringLiteral("corvaneFlash.resume()") : QStringLiteral("corvaneFlash.suspend()"));
}

void FlashWebEngine::setMuted(bool muted)
{
    muted_ = muted;
    if (ready_ && hasMovie_)
        run(QStringLiteral("corvaneFlash.setMuted(%1)").arg(muted_ ? "true" : "false"));
}

void FlashWebEngine::evaluate(const QString& script, std::function<void(const QVariant&)> done)
{
    if (!ready_) {
        done({});
        return;
    }
    page_->runJavaScript(script, [done = std::move(done)](const QVariant& v) { done(v); });
}

static QList<FlashMenuEntry> menuEntries(const QVariant& reply)
{
    QList<FlashMenuEntry> entries;
    for (const QVariant& v : reply.toList()) {
        const QVariantMap m = v.toMap();
        entries.append({m.value("key").toString(), m.value("caption").toString(), m.value("enabled").toBool(),
                        m.value("checked").toBool(), m.value("separatorBefore").toBool()});
    }
    return entries;
}

void FlashWebEngine::menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done)
{
    if (!ready_ || !hasMovie_) {
        done({});
        return;
    }
    page_->runJavaScript(QStringLiteral("corvaneFlash.menu(%1, %2)").arg(at.x()).arg(at.y()),
                         [done = std::move(done)](const QVariant& v) { done(menuEntries(v)); });
}

void FlashWebEngine::runMenuEntry(int index)
{
    if (ready_ && hasMovie_)
        run(QStringLiteral("corvaneFlash.runMenuEntry(%1)").arg(index));
}

void FlashWebEngine::routeMenuEvents(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            routeMenuEvents(child);
}

bool FlashWebEngine::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        // The view makes the widget that takes the input as the page comes.
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
            routeMenuEvents(child);
        break;
    case QEvent::ContextMenu: {
        const auto* e = static_cast<QContextMenuEvent*>(event);
        QContextMenuEvent routed(e->reason(), area_->mapFromGlobal(e->globalPos()), e->globalPos(), e->modifiers());
        QCoreApplication::sendEvent(area_, &routed);
        return true;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Neither Ruffle nor the movie gets the keys that open the menu.
        if (const auto* key = static_cast<QKeyEvent*>(event); flashmenu::opensMenu(*key)) {
            if (event->type() == QEvent::KeyPress)
                QCoreApplication::sendEvent(area_, event);
            event->accept();
            return true;
        }
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

qint64 FlashWebEngine::renderProcessId() const { return page_ ? page_->renderProcessPid() : 0; }

void FlashWebEngine::loadHostPage()
{
    loading_ = true;
    ready_ = false;
    hasMovie_ = false;
    page_->load(FlashWebPage::hostUrl());
}

void FlashWebEngine::pageLoaded(bool ok)
{
    loading_ = false;
    ready_ = ok;
    if (!ok) {
        view_->hide();
        return;  // the next movie tries again
    }
    // Ruffle is compiled and made ready before any movie asks for it.
    run(QStringLiteral("corvaneFlash.warm()"));
    if (pending_)
        pushMovie();
}

void FlashWebEngine::renderProcessGone()
{
    ready_ = false;
    loading_ = false;
    hasMovie_ = false;
    view_->hide();
}

void FlashWebEngine::pushMovie()
{
    // The page fetches the bytes from the scheme handler: the engine copies
    // them over in pieces, and no script carries them.
    const QString name = QStringLiteral("movie-%1.swf").arg(++served_);
    scheme_->offerMovie(name, *pending_);
    pending_.reset();
    hasMovie_ = true;
    view_->show();
    run(QStringLiteral("corvaneFlash.open(\"%1\", %2, %3)")
                .arg(name, playing_ ? "true" : "false", muted_ ? "true" : "false"));
}

void FlashWebEngine::run(const QString& script) { page_->runJavaScript(script); }

}  // namespace corvane
