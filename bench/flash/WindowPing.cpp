#include "WindowPing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

std::uint32_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const std::uint32_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

}  // namespace

WindowPing::WindowPing(std::uint32_t window) : window_(window)
{
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen; ++i)
        xcb_screen_next(&it);
    root_ = it.data->root;
    protocols_ = atom(c, "WM_PROTOCOLS");
    ping_ = atom(c, "_NET_WM_PING");
    // The answers come to the root window, sent for its structure (Qt) or
    // its substructure (as the window-manager hints lay it out).
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    receiver_ = std::thread([this] { receive(); });
    sender_ = std::thread([this] { send(); });
}

WindowPing::~WindowPing()
{
    if (!connection_)
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    sender_.join();
    // One last event to the root wakes the receiver.
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = root_;
    e.type = protocols_;
    e.data.data32[0] = 0;
    xcb_send_event(connection_, 0, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&e));
    xcb_flush(connection_);
    receiver_.join();
    xcb_disconnect(connection_);
}

void WindowPing::send()
{
    for (std::uint32_t n = 1;; ++n) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            sent_.push_back(Clock::now());
            answer_.push_back({});
        }
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = window_;
        e.type = protocols_;
        e.data.data32[0] = ping_;
        e.data.data32[1] = n;  // the timestamp field carries the ping's number
        e.data.data32[2] = window_;
        xcb_send_event(connection_, 0, window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
        xcb_flush(connection_);
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
}

void WindowPing::receive()
{
    while (xcb_generic_event_t* ev = xcb_wait_for_event(connection_)) {
        const auto now = Clock::now();
        bool last = false;
        if ((ev->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(ev);
            const std::uint32_t n = m->data.data32[1];
            std::lock_guard lock(mutex_);
            if (m->data.data32[0] == ping_ && n >= 1 && n <= answer_.size() && answer_[n - 1] == Clock::time_point())
                answer_[n - 1] = now;
            last = m->data.data32[0] == 0 && stopping_;
        }
        std::free(ev);
        if (last)
            return;
    }
}

double WindowPing::longest(Clock::time_point from, Clock::time_point to)
{
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    Clock::duration worst{};
    for (std::size_t i = 0; i < sent_.size(); ++i) {
        if (sent_[i] < from || sent_[i] > to)
            continue;
        const auto end = answer_[i] == Clock::time_point() ? now : answer_[i];
        worst = std::max(worst, end - sent_[i]);
    }
    return std::chrono::duration<double, std::milli>(worst).count();
}
