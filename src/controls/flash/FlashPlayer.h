#pragma once
// The Flash player control: a display area that plays a movie.
//
// The movie runs in Ruffle inside a web view that is created only when the
// first movie is set, so a person who never opens one pays nothing for it.
// The view is locked down: it reaches nothing but its own page, Ruffle's
// files and the movie's bytes, which the control reads and hands over.
#include "Dispatch.h"

#include <QByteArray>
#include <QWidget>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;

namespace corvane {

class FlashWebPage;

class FlashPlayer : public QWidget, public Dispatch {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr);
    ~FlashPlayer() override;

    // Call once in main(), before the QApplication is constructed: registers
    // the page's own URL scheme, shares OpenGL contexts as the web engine
    // needs, and (only when running as root) turns off Chromium's sandbox,
    // which refuses to start as root otherwise.
    static void prepareApplication();

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

    // Whether the web engine has been started (for tests and benchmarks).
    bool engineStarted() const { return view_ != nullptr; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void startEngine();
    void loadHostPage();
    void pageLoaded(bool ok);
    void renderProcessGone();
    void pushMovie();
    void runScript(const QString& script);

    QString movie_;
    std::optional<QByteArray> pending_; // bytes not yet handed to the page
    bool hasMovie_ = false;             // the page holds a movie
    bool playing_ = true;
    bool muted_ = false;
    bool ready_ = false;                // host page loaded, renderer alive
    bool loading_ = false;

    QWebEngineProfile* profile_ = nullptr;
    FlashWebPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

} // namespace corvane
