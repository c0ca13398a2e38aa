#include "FlashWebPage.h"

#include "FlashProfile.h"

#include <QAuthenticator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

Q_LOGGING_CATEGORY(lcFlashPage, "corvane.flash.page", QtWarningMsg)

namespace corvane {

QUrl FlashWebPage::hostUrl()
{
    QUrl url;
    url.setScheme(QLatin1String(flashweb::Scheme));
    url.setHost(QLatin1String(flashweb::Host));
    url.setPath(QStringLiteral("/host.html"));
    return url;
}

FlashWebPage::FlashWebPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    // Leaving is always granted; going in, through the gate only.
    settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(this, &QWebEnginePage::fullScreenRequested, this, [this](QWebEngineFullScreenRequest request) {
        if (request.toggleOn() && !(fullScreenGate_ && fullScreenGate_())) {
            request.reject();
            return;
        }
        request.accept();
        emit fullScreenChanged(request.toggleOn());
    });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl&, QAuthenticator* auth) { *auth = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl&, QAuthenticator* auth, const QString&) { *auth = QAuthenticator(); });
}

bool FlashWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    const bool ok = isMainFrame && url.adjusted(QUrl::RemoveFragment) == hostUrl();
    if (!ok)
        qCDebug(lcFlashPage) << "navigation refused:" << url;
    return ok;
}

QWebEnginePage* FlashWebPage::createWindow(WebWindowType) { return nullptr; }

QStringList FlashWebPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) { return {}; }

void FlashWebPage::javaScriptAlert(const QUrl&, const QString&) {}

bool FlashWebPage::javaScriptConfirm(const QUrl&, const QString&) { return false; }

bool FlashWebPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) { return false; }

void FlashWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int lineNumber,
                                            const QString& sourceID)
{
    // Only the host page's own script speaks for the store: a movie's trace
    // output comes from Ruffle's.
    static const QString store = QStringLiteral("corvane-store ");
    if (message.startsWith(store) && QUrl(sourceID) == hostUrl().resolved(QUrl(QStringLiteral("host.js")))) {
        const QJsonArray change = QJsonDocument::fromJson(message.mid(store.size()).toUtf8()).array();
        if (change.size() == 3 && change[0].isDouble() && change[1].isString()
            && (change[2].isString() || change[2].isNull()))
            emit objectSaved(change[0].toInt(), change[1].toString(), change[2]);
        return;
    }
    qCDebug(lcFlashPage) << sourceID << lineNumber << message;
}

}  // namespace corvane
