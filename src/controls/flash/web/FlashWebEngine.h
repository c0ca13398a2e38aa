#pragma once
// The web part of the Flash display area: Ruffle's host page in a locked-down
// view that fills the area. The engine, the page and Ruffle start in steps,
// each in a turn of its own of the event loop, so that the GUI thread keeps
// answering meanwhile; once the page is up, Ruffle is compiled and made ready
// with movies of its own, unseen, and the view shows, empty, in the area's
// colour. Movies are handed to the page as bytes; while the page is not
// ready the latest one waits. If
// the page process dies the view goes and the area shows empty until the next
// movie starts a new page.
//
// What a movie saves is read from its store before the movie goes to the
// page, handed over with it, and each change the page reports is written
// back (FlashStore).
#include "flash/FlashEngine.h"
#include "FlashStore.h"
#include "FlashWorkers.h"

#include <map>
#include <optional>
#include <QObject>

class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace corvane {

class FlashSchemeHandler;
class FlashWebPage;

// How Ruffle draws: with WebGL (its wgpu renderer, else its plain WebGL one,
// else a canvas where WebGL fails after all), or on a canvas.
enum class FlashRenderer { WebGl, Canvas };

class FlashWebEngine : public QObject, public FlashEngine {
    Q_OBJECT
public:
    FlashWebEngine(QWidget* area, FlashRenderer renderer);
    ~FlashWebEngine() override;

    void openPage() override;
    void loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted) override;
    void setPlaying(bool playing) override;
    void setMuted(bool muted) override;
    void menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done) override;
    void runMenuEntry(int index) override;
    void keepSaved(std::function<void()> done) override;
    void evaluate(const QString& script, std::function<void(const QVariant&)> done) override;
    qint64 renderProcessId() const override;

private:
    // The start, one step per turn of the event loop, in this order.
    enum class Step { Graphics, Profile, Page, View, Load, Done };
    void startStep();
    void loadHostPage();
    void pageLoaded(bool ok);
    void renderProcessGone();
    void pushMovie();
    void run(const QString& script);
    void objectSaved(int movie, const QString& key, const QJsonValue& text);

    // How many of the latest movies handed to the page may still save: the
    // one replaced saves as it goes.
    static constexpr int SavingMovies = 2;

    std::optional<QByteArray> pending_;  // bytes not yet handed to the page
    bool hasMovie_ = false;              // the page holds a movie
    bool playing_ = true;
    bool muted_ = false;
    bool ready_ = false;  // host page loaded, renderer alive
    bool loading_ = false;
    int served_ = 0;  // movies handed to the page so far
    Step step_ = Step::Graphics;
    bool starting_ = false;  // the next step is on its way

    QString pendingName_;                                // the pending movie's file name
    QString pendingFolder_;                              // its folder, whose files it may load
    std::optional<FlashStore::Objects> pendingObjects_;  // what it saved, once read
    int asked_ = 0;                                      // movies asked for
    std::map<int, FlashStore::Objects> saving_;          // by movie handed to the page

    QWidget* area_ = nullptr;
    FlashRenderer renderer_;
    QWebEngineProfile* profile_ = nullptr;
    FlashSchemeHandler* scheme_ = nullptr;
    FlashStore* store_ = nullptr;
    FlashWorkers* workers_ = nullptr;
    FlashWebPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

}  // namespace corvane
