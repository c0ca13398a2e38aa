#pragma once
// The web part of the Flash display area: Ruffle's host page in a locked-down
// view that fills the area. Movies are handed to the page as bytes; while the
// page is not ready the latest one waits. If the page process dies the view
// goes and the area shows empty until the next movie starts a new page.
#include "flash/FlashEngine.h"

#include <optional>
#include <QObject>

class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace corvane {

class FlashSchemeHandler;
class FlashWebPage;

class FlashWebEngine : public QObject, public FlashEngine {
    Q_OBJECT
public:
    explicit FlashWebEngine(QWidget* area);
    ~FlashWebEngine() override;

    void openPage() override;
    void loadMovie(const QByteArray& bytes, bool playing, bool muted) override;
    void setPlaying(bool playing) override;
    void setMuted(bool muted) override;
    void evaluate(const QString& script, std::function<void(const QVariant&)> done) override;
    qint64 renderProcessId() const override;

private:
    void loadHostPage();
    void pageLoaded(bool ok);
    void renderProcessGone();
    void pushMovie();
    void run(const QString& script);

    std::optional<QByteArray> pending_;  // bytes not yet handed to the page
    bool hasMovie_ = false;              // the page holds a movie
    bool playing_ = true;
    bool muted_ = false;
    bool ready_ = false;  // host page loaded, renderer alive
    bool loading_ = false;
    int served_ = 0;  // movies handed to the page so far

    QWebEngineProfile* profile_ = nullptr;
    FlashSchemeHandler* scheme_ = nullptr;
    FlashWebPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

}  // namespace corvane
