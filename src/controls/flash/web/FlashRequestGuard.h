#pragma once
// Blocks every request of the Flash page whose scheme is not the page's own,
// data: or blob:. A movie's own loads and links end here.
#include <QWebEngineUrlRequestInterceptor>

namespace corvane {

class FlashRequestGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    static bool allowed(const QUrl& url);
};

}  // namespace corvane
