#pragma once
// The host process's side of the Flash display: the engine in an area of
// its own, off screen, at the display area's size; the area's calls and
// input coming in, the page's frames going out as it draws them.
#include "wire/FlashFrames.h"
#include "wire/FlashWire.h"

#include <memory>
#include <QObject>
#include <QWidget>

namespace corvane {

class FlashEngine;
class FlashFrameSource;

// The names of the messages between the area and the host, besides the
// frames' (FlashFrames) and the input's (FlashInput).
namespace flashhost {
inline constexpr char EngineCall[] = "engine";  // id (0: no answer), method, arguments...
inline constexpr char Reply[] = "reply";        // id, value
inline constexpr char Size[] = "size";          // the area's width and height
inline constexpr char Colour[] = "colour";      // the area's own colour, which the empty page shows
inline constexpr char Focus[] = "focus";        // the area has the keyboard focus, or not
inline constexpr char Process[] = "process";    // the page's process id
inline constexpr char Cursor[] = "cursor";      // the pointer's shape over the page
}  // namespace flashhost

class FlashHost : public QObject {
    Q_OBJECT
public:
    // The descriptors as FlashHostProcess hands them over; taken over.
    FlashHost(int socket, int frames, int spill);
    ~FlashHost() override;

signals:
    // The display area is gone: the process may end.
    void ended();

private:
    void received(const QVariantList& message);
    void send(const QVariantList& message);
    void input(const QVariantList& message);
    void focus(bool in);
    void drawn();
    void sendFrame();
    void frameTaken();

    QWidget area_;
    std::unique_ptr<FlashEngine> engine_;
    FlashFrameSource* source_ = nullptr;
    FlashWire wire_;
    FlashFrames frames_;
    qint64 process_ = 0;       // the page's process last told
    bool frameOut_ = false;    // the area has not taken the last frame yet
    bool drawnAgain_ = false;  // the page drew since
    bool grabQueued_ = false;
};

}  // namespace corvane
