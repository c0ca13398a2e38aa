#include "FlashWebEngine.h"

#include "FlashProfile.h"
#include "FlashSchemeHandler.h"
#include "FlashWebPage.h"
#include "wire/FlashMenuList.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <QOpenGLContext>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace corvane {

namespace {

// The movie's name in the page: Ruffle keys its saved objects by it (and
// by their own names), so it is the file's own name, the same each time.
// Ruffle refuses keys with a part that starts with a dot.
QString pageName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() || name.startsWith(QLatin1Char('.')) ? QStringLiteral("movie.swf") : name;
}

QString json(const QJsonValue& value)
{
    // A document holds an array or an object: the value goes in an array,
    // which is then taken off.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

}  // namespace

FlashWebEngine::FlashWebEngine(QWidget* area, FlashRenderer renderer)
    : area_(area), renderer_(renderer), store_(new FlashStore(this)),
      workers_(new FlashWorkers([this] { return renderProcessId(); }, this))
{}

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
        // The page's first frames come before it has loaded: in the area's
        // colour, not the engine's white.
        page_->setBackgroundColor(area_->palette().color(QPalette::Window));
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
        connect(page_, &FlashWebPage::objectSaved, this, &FlashWebEngine::objectSaved);
        step_ = Step::View;
        break;
    case Step::View: {
        view_ = new QWebEngineView(area_);
        view_->setPage(page_);
        view_->setContextMenuPolicy(Qt::PreventContextMenu);  // the area shows the movie's menu
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

void FlashWebEngine::loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted)
{
    pending_ = bytes;
    pendingName_ = pageName(path);
    pendingFolder_ = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    pendingObjects_.reset();
    playing_ = playing;
    muted_ = muted;
    // The movie goes to the page once both its saved objects are read and
    // the page is ready.
    store_->open(path, [this, asked = ++asked_](const FlashStore::Objects& objects) {
        if (asked != asked_)
            return;  // overtaken by a later movie
        pendingObjects_ = objects;
        if (ready_ && pending_)
            pushMovie();
    });
    if (!ready_)
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

void FlashWebEngine::menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done)
{
    if (!ready_ || !hasMovie_) {
        done({});
        return;
    }
    page_->runJavaScript(QStringLiteral("corvaneFlash.menu(%1, %2)").arg(at.x()).arg(at.y()),
                         [done = std::move(done)](const QVariant& v) { done(flashmenulist::decode(v)); });
}

void FlashWebEngine::runMenuEntry(int index)
{
    if (ready_ && hasMovie_)
        run(QStringLiteral("corvaneFlash.runMenuEntry(%1)").arg(index));
}

void FlashWebEngine::keepSaved(std::function<void()> done)
{
    const auto written = [this, done] {
        store_->waitForWrites();
        done();
    };
    if (!ready_)
        return written();
    // The page tells of each change as it happens, in order with its other
    // messages: once a script's answer has come, every change made before
    // it has come too, and its write is asked for.
    page_->runJavaScript(QStringLiteral("0"), [written](const QVariant&) { written(); });
}

qint64 FlashWebEngine::renderProcessId() const { return page_ ? page_->renderProcessPid() : 0; }

void FlashWebEngine::loadHostPage()
{
    loading_ = true;
    ready_ = false;
    hasMovie_ = false;
    page_->load(FlashWebPage::hostUrl());
    workers_->watch();
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
    run(QStringLiteral("corvaneFlash.prefer(\"%1\")").arg(renderer_ == FlashRenderer::WebGl ? "wgpu-webgl" : "canvas"));
    run(QStringLiteral("corvaneFlash.warm(\"%1\")").arg(area_->palette().color(QPalette::Window).name()));
    view_->show();
    if (pending_ && pendingObjects_)
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
    // them over in pieces, and no script carries them. They come from a URL
    // folder that stands for the movie's own folder, against which the page's
    // player resolves the names of what the movie loads.
    ++served_;
    const QString name = scheme_->offerMovie(pendingFolder_, pendingName_, *pending_);
    pending_.reset();
    hasMovie_ = true;
    view_->show();
    workers_->watch();
    const QJsonObject store{{QStringLiteral("id"), served_},
                            {QStringLiteral("name"), pendingName_},
                            {QStringLiteral("saved"), pendingObjects_->map},
                            {QStringLiteral("limit"), double(FlashStore::MaxChars)}};
    saving_.erase(saving_.begin(), saving_.lower_bound(served_ - SavingMovies + 1));
    saving_[served_] = *std::exchange(pendingObjects_, std::nullopt);
    run(QStringLiteral("corvaneFlash.open(\"%1\", %2, %3, %4)")
                .arg(name, playing_ ? "true" : "false", muted_ ? "true" : "false", json(store)));
}

void FlashWebEngine::objectSaved(int movie, const QString& key, const QJsonValue& text)
{
    const auto it = saving_.find(movie);
    if (it == saving_.end())
        return;
    QJsonObject& map = it->second.map;
    if (text.isNull()) {
        if (!map.contains(key))
            return;
        map.remove(key);
    } else {
        const QString before = map.value(key).toString();
        if (map.contains(key) && before == text.toString())
            return;
        const qsizetype grown =
                key.size() + text.toString().size() - (map.contains(key) ? key.size() + before.size() : 0);
        if (FlashStore::size(map) + grown > FlashStore::MaxChars)
            return;  // the page refuses it as well
        map.insert(key, text);
    }
    store_->save(it->second);
}

void FlashWebEngine::run(const QString& script) { page_->runJavaScript(script); }

}  // namespace corvane
