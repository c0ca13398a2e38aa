#pragma once
// The Flash display area's engine as the program sees it: the web engine
// runs in a process of its own (FlashHostProcess, corvane-flash-host), so
// that its start never waits on the program's GUI thread and its crash does
// not take the window down. Each of the engine's methods goes across by
// name with plain values (one line here, one in host/FlashEngineCalls.cpp);
// those that answer, answer later. The area paints the frames the host
// sends, scaled to its size, and its mouse, wheel, keys and focus go to the
// page, but for the right button and the keys that open the movie's menu
// (FlashMenuKeys): the area shows that menu itself. Started by the first call; a host that died is started anew by the
// next call, and the area shows nothing meanwhile.
#include "FlashEngine.h"
#include "wire/FlashMenuList.h"

#include <functional>
#include <map>
#include <memory>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVariantList>

class QWidget;

namespace corvane {

class FlashFrames;
class FlashWire;

class RemoteFlashEngine : public QObject, public FlashEngine {
    Q_OBJECT
public:
    // An engine drawn in `area`; starts nothing yet.
    explicit RemoteFlashEngine(QWidget* area);
    ~RemoteFlashEngine() override;
    // Whether the host program is there to be started.
    static bool available();

    void openPage() override { call("openPage"); }
    void loadMovie(const QByteArray& bytes, const QString& path, bool playing, bool muted) override
    {
        call("loadMovie", {bytes, path, playing, muted});
    }
    void setPlaying(bool playing) override { call("setPlaying", {playing}); }
    void setMuted(bool muted) override { call("setMuted", {muted}); }
    void menu(QPoint at, std::function<void(const QList<FlashMenuEntry>&)> done) override
    {
        ask("menu", {at.x(), at.y()}, [done = std::move(done)](const QVariant& v) { done(flashmenulist::decode(v)); });
    }
    void runMenuEntry(int index) override { call("runMenuEntry", {index}); }
    void evaluate(const QString& script, std::function<void(const QVariant&)> done) override
    {
        ask("evaluate", {script}, std::move(done));
    }
    qint64 renderProcessId() const override { return renderProcess_; }

    // The host process, 0 when none runs (for tests).
    qint64 hostProcessId() const { return hostProcess_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Answer = std::function<void(const QVariant&)>;
    // Sends the call, starting the host first if none runs.
    void call(const char* method, const QVariantList& args = {});
    void ask(const char* method, const QVariantList& args, Answer done);
    void send(const char* method, qint64 id, const QVariantList& args);
    bool startHost();
    void received(const QVariantList& message);
    void frameCame(const QVariantList& message);
    void hostGone();
    void paint();

    QPointer<QWidget> area_;
    std::unique_ptr<FlashWire> wire_;
    std::unique_ptr<FlashFrames> frames_;
    QImage frame_;  // null: the page shows nothing
    std::map<qint64, Answer> waiting_;
    qint64 lastId_ = 0;
    qint64 renderProcess_ = 0;
    qint64 hostProcess_ = 0;
};

}  // namespace corvane
