#include "FlashPlayer.h"

#include "DispatchIds.h"
#include "FlashProfile.h"
#include "FlashWebPage.h"

#include <QCoreApplication>
#include <QFile>
#include <QResizeEvent>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

// The host page and Ruffle's files are linked in from a static library; this
// pulls them in and registers them.
static void initFlashResources() { Q_INIT_RESOURCE(flashweb); }

namespace corvane {

void FlashPlayer::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0) {
        // Chromium's sandbox cannot run as root; only then it goes.
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
    }
    flashweb::registerScheme();
}

FlashPlayer::FlashPlayer(QWidget* parent) : QWidget(parent) {}

FlashPlayer::~FlashPlayer()
{
    // The page must go before its profile.
    delete view_;
    delete page_;
    delete profile_;
}

void FlashPlayer::put(DispId id, const Variant& value)
{
    if (id == dispid::flash::Movie) {
        movie_ = value.toText();
        QFile file(movie_);
        // An unreadable file goes to the player as no bytes: it shows its
        // own error for it.
        pending_ = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        playing_ = true; // a new movie starts by itself
        if (!view_)
            startEngine();
        if (ready_)
            pushMovie();
        else if (!loading_)
            loadHostPage();
    } else if (id == dispid::flash::Mute) {
        muted_ = value.toBool();
        if (ready_ && hasMovie_)
            runScript(QStringLiteral("corvaneFlash.setMuted(%1)").arg(muted_ ? "true" : "false"));
    }
}

Variant FlashPlayer::get(DispId id)
{
    if (id == dispid::flash::Movie)
        return movie_;
    if (id == dispid::flash::Mute)
        return muted_;
    return {};
}

Variant FlashPlayer::call(DispId id, const Args&)
{
    if (id == dispid::flash::Play || id == dispid::flash::Stop) {
        playing_ = id == dispid::flash::Play;
        if (ready_ && hasMovie_)
            runScript(playing_ ? QStringLiteral("corvaneFlash.resume()") : QStringLiteral("corvaneFlash.suspend()"));
    }
    return {};
}

void FlashPlayer::resizeEvent(QResizeEvent* event)
{
    if (view_)
        view_->setGeometry(QRect(QPoint(0, 0), event->size()));
}

void FlashPlayer::startEngine()
{
    initFlashResources();
    profile_ = flashweb::createProfile(nullptr);
    page_ = new FlashWebPage(profile_, nullptr);
    view_ = new QWebEngineView(this);
    view_->setPage(page_);
    view_->setContextMenuPolicy(Qt::PreventContextMenu);
    view_->setGeometry(rect());
    view_->hide();
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
}

void FlashPlayer::loadHostPage()
{
    loading_ = true;
    ready_ = false;
    hasMovie_ = false;
    page_->load(FlashWebPage::hostUrl());
}

void FlashPlayer::pageLoaded(bool ok)
{
    loading_ = false;
    ready_ = ok;
    if (!ok) {
        view_->hide();
        return; // the next movie tries again
    }
    view_->show();
    if (pending_)
        pushMovie();
}

void FlashPlayer::renderProcessGone()
{
    // The display shows empty; the next movie starts a new page.
    ready_ = false;
    loading_ = false;
    hasMovie_ = false;
    view_->hide();
}

void FlashPlayer::pushMovie()
{
    const QByteArray bytes = *pending_;
    pending_.reset();
    hasMovie_ = true;
    QString script = QStringLiteral("corvaneFlash.load(\"");
    script += QLatin1String(bytes.toBase64());
    script += QStringLiteral("\", %1, %2)").arg(playing_ ? "true" : "false", muted_ ? "true" : "false");
    runScript(script);
}

void FlashPlayer::runScript(const QString& script) { page_->runJavaScript(script); }

} // namespace corvane
