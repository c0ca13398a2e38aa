#pragma once
// The longest time a window's GUI thread leaves the window manager's ping
// unanswered, measured from outside the process: _NET_WM_PING goes to the
// window every 4 ms on a connection of its own, and Qt answers each one on
// the GUI thread when that thread gets to it, by sending it back to the root
// window. The longest round trip of the pings sent in a stretch of time is
// the longest stall within it.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct xcb_connection_t;

class WindowPing {
public:
    using Clock = std::chrono::steady_clock;
    // Pings `window` (an X window id) on the display of $DISPLAY until
    // destroyed; does nothing when the display cannot be opened.
    explicit WindowPing(std::uint32_t window);
    ~WindowPing();
    WindowPing(const WindowPing&) = delete;
    WindowPing& operator=(const WindowPing&) = delete;

    bool running() const { return connection_ != nullptr; }
    // The longest round trip, in ms, of the pings sent from `from` to `to`;
    // a ping still unanswered counts up to now.
    double longest(Clock::time_point from, Clock::time_point to);

private:
    void send();
    void receive();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t window_ = 0, root_ = 0, protocols_ = 0, ping_ = 0;
    std::mutex mutex_;
    std::vector<Clock::time_point> sent_;    // by the ping's number
    std::vector<Clock::time_point> answer_;  // Clock::time_point() while unanswered
    bool stopping_ = false;
    std::thread sender_, receiver_;
};
