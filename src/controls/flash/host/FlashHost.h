#pragma once
// The host process's side of the Flash display: the engine in an area of
// its own, off screen, at the display area's size; the area's calls and
// input coming in, the page's frames going out as it draws them.
#include "wire/FlashFrames.h"
#include "wire/FlashWire.h"

#include <memory>
#include <QElapsedTimer>
#include <QObject>
#include <QWidget>

namespace corvane {

class FlashEngine;
class FlashFrameSource;

class FlashHost : public QObject {
    Q_OBJECT
public:
    // The descriptors as FlashHostProcess hands them over; taken over.
    FlashHost(int socket, int frames, int spill);
    ~FlashHost() override;

signals:
    // The display area is gone and what movies saved is kept: the process
    // may end.
    void ended();

private:
    void received(const QVariantList& message);
    void send(const QVariantList& message);
    void input(const QVariantList& message);
    void focus(bool in);
    void drawn();
    void sendFrame();
    void frameTaken();
    void keepOffTheScreen();
    void areaGone();
    void watchPage();
    void screen(bool full);
    void fullScreenAsked(bool on);

    QWidget area_;
    std::unique_ptr<FlashEngine> engine_;
    FlashFrameSource* source_ = nullptr;
    FlashWire wire_;
    FlashFrames frames_;
    qint64 process_ = 0;       // the page's process last told
    bool frameOut_ = false;    // the area has not taken the last frame yet
    bool drawnAgain_ = false;  // the page drew since
    bool grabQueued_ = false;
    bool focused_ = false;   // the display area has the keyboard
    QElapsedTimer pressed_;  // since the person's last key or button press
    bool pageFull_ = false;  // the page is in full screen
    bool leaving_ = false;   // the page leaves the full screen because the area did
    WId unmapped_ = 0;       // the area's native window last taken off the screen
};

}  // namespace corvane
