#include "FlashProfile.h"

#include "FlashRequestGuard.h"
#include "FlashSchemeHandler.h"

#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>

namespace corvane::flashweb {

void registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(Scheme).name() == Scheme)
        return;
    QWebEngineUrlScheme scheme(Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setDefaultPort(QWebEngineUrlScheme::PortUnspecified);
    // Secure: Ruffle wants a secure context. Not local: local content may
    // load no other local URL, and the page's own files would be among them.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

static void lockSettings(QWebEngineSettings* s)
{
    using S = QWebEngineSettings;
    s->setAttribute(S::JavascriptEnabled, true);
    s->setAttribute(S::JavascriptCanOpenWindows, false);
    s->setAttribute(S::JavascriptCanAccessClipboard, false);
    s->setAttribute(S::JavascriptCanPaste, false);
    s->setAttribute(S::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(S::LocalContentCanAccessFileUrls, false);
    s->setAttribute(S::AllowRunningInsecureContent, false);
    s->setAttribute(S::AllowGeolocationOnInsecureOrigins, false);
    s->setAttribute(S::AllowWindowActivationFromJavaScript, false);
    s->setAttribute(S::FullScreenSupportEnabled, false);
    s->setAttribute(S::ScreenCaptureEnabled, false);
    s->setAttribute(S::NavigateOnDropEnabled, false);
    s->setAttribute(S::PluginsEnabled, false);
    s->setAttribute(S::PdfViewerEnabled, false);
    s->setAttribute(S::HyperlinkAuditingEnabled, false);
    s->setAttribute(S::DnsPrefetchEnabled, false);
    s->setAttribute(S::WebRTCPublicInterfacesOnly, true);
    s->setAttribute(S::AutoLoadIconsForPage, false);
    s->setAttribute(S::TouchIconsEnabled, false);
    s->setAttribute(S::ErrorPageEnabled, false);
    s->setAttribute(S::FocusOnNavigationEnabled, false);
    s->setAttribute(S::LinksIncludedInFocusChain, false);
    s->setAttribute(S::SpatialNavigationEnabled, false);
    s->setAttribute(S::ShowScrollBars, false);
    // A movie's sound starts with the movie, as a plug-in's would.
    s->setAttribute(S::PlaybackRequiresUserGesture, false);
}

QWebEngineProfile* createProfile(QObject* parent, FlashSchemeHandler* files)
{
    auto* profile = new QWebEngineProfile(parent);  // no name: off the record
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    profile->cookieStore()->setCookieFilter([](const QWebEngineCookieStore::FilterRequest&) { return false; });
    profile->setUrlRequestInterceptor(new FlashRequestGuard(profile));
    files->setParent(profile);
    profile->installUrlSchemeHandler(Scheme, files);
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    lockSettings(profile->settings());
    return profile;
}

}  // namespace corvane::flashweb
