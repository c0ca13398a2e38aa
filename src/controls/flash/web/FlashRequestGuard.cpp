#include "FlashRequestGuard.h"

#include "FlashProfile.h"

#include <QLoggingCategory>
#include <QUrl>

Q_LOGGING_CATEGORY(lcFlashGuard, "corvane.flash.guard", QtWarningMsg)
#include <QWebEngineUrlRequestInfo>

namespace corvane {

bool FlashRequestGuard::allowed(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String(flashweb::Scheme))
        return url.host() == QLatin1String(flashweb::Host);
    return scheme == QLatin1String("data") || scheme == QLatin1String("blob");
}

void FlashRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!allowed(info.requestUrl())) {
        qCDebug(lcFlashGuard) << "blocked:" << info.requestUrl();
        info.block(true);
    }
}

}  // namespace corvane
