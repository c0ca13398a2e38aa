#include "FlashWebEngine.h"

#include "FlashProfile.h"
#include "FlashSchemeHandler.h"
#include "FlashWebPage.h"

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
        view_->setContextMenuPolicy(Qt::PreventContextMenu);  // Ruffle has its own
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
    // Ruffle is compiled and made ready before any movie asks for it, and
    // the view shows already, empty, in the area's own colour: the first
    // showing of a view costs a few hundred milliseconds on its own (its
    // drawing surface is made), which the first movie would otherwise wait for.
    run(QStringLiteral("corvaneFlash.warm()"));
    page_->setBackgroundColor(area_->palette().color(QPalette::Window));
    view_->show();
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
