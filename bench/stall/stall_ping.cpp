// Watches a program from outside, as an X client of its own: no code of the
// program is linked or loaded.
//
//   stall_ping ping WINDOW OUT [SECONDS [TID [READER_TID]]]
//     Sends WINDOW a _NET_WM_PING every 4 ms. The toolkit answers each one
//     when its GUI thread handles the event, by sending it back to the root
//     window; so a round trip is as long as that thread was busy. Writes one
//     line per answer to OUT: "sequence sent_ns round_trip_us on_cpu_us
//     waiting_us", sent_ns on the realtime clock (as `date +%s%N`); the last
//     two are what the thread TID (the GUI thread: the program's own id) spent
//     during the round trip on a core and runnable but waiting for one, from
//     /proc/TID/schedstat (-1 without TID). The rest of a round trip it slept.
//     A sixth figure is what READER_TID (the toolkit's thread that reads the
//     display's events and wakes the GUI thread) waited for a core meanwhile:
//     while it waits, the GUI thread sleeps with the ping unread.
//     At the end, each ping still unanswered is written with "-" and its age
//     in place of the round trip. Ends on SIGTERM or SIGINT, when the window
//     goes away, or after SECONDS (600 unless given).
//
//   stall_ping watch X Y WIDTH HEIGHT RRGGBB [TIMEOUT_MS]
//     Grabs that part of the screen every 5 ms until a third of it has the
//     colour (in the top four bits of each channel); prints the realtime ns
//     of that grab. Exit status 1 on timeout (10 s unless given).
//
//   stall_ping clocks
//     Prints the realtime and the monotonic clock, in ns, read together.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr int64_t kIntervalNs = 4'000'000;
constexpr size_t kSlots = 1 << 16;  // pings remembered: over four minutes of them

volatile std::sig_atomic_t stopRequested = 0;
bool windowGone = false;

void onSignal(int) { stopRequested = 1; }

int onXError(Display*, XErrorEvent* e)
{
    if (e->error_code == BadWindow)
        windowGone = true;
    return 0;
}

int64_t nowNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A thread's time on a core and waiting in the run queue, in ns.
struct SchedTimes {
    int64_t onCpu = -1;
    int64_t waiting = -1;
};

SchedTimes readSched(int fd)
{
    SchedTimes t;
    if (fd < 0)
        return t;
    char buf[128];
    const ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0)
        return t;
    buf[n] = '\0';
    long long cpu = 0, wait = 0;
    if (std::sscanf(buf, "%lld %lld", &cpu, &wait) == 2)
        t = {cpu, wait};
    return t;
}

struct Sent {
    uint32_t seq = 0;
    bool pending = false;
    int64_t monoNs = 0;
    int64_t realNs = 0;
    SchedTimes sched;
    SchedTimes reader;
};

struct Pinger {
    Display* dpy;
    Window target;
    Window root;
    Atom protocols;
    Atom ping;
    FILE* out;
    int schedFd;
    int readerFd;
    std::array<Sent, kSlots> sent{};
    uint32_t next = 1;

    void send()
    {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = target;
        ev.xclient.message_type = protocols;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = long(ping);
        ev.xclient.data.l[1] = long(next);  // the timestamp field, echoed back unchanged
        ev.xclient.data.l[2] = long(target);
        Sent& s = sent[next % kSlots];
        s = {next, true, nowNs(CLOCK_MONOTONIC), nowNs(CLOCK_REALTIME), readSched(schedFd), readSched(readerFd)};
        XSendEvent(dpy, target, False, NoEventMask, &ev);
        XFlush(dpy);
        ++next;
    }

    void answered(const XClientMessageEvent& e)
    {
        if (e.message_type != protocols || Atom(e.data.l[0]) != ping || Window(e.data.l[2]) != target)
            return;
        const auto seq = uint32_t(e.data.l[1]);
        Sent& s = sent[seq % kSlots];
        if (!s.pending || s.seq != seq)
            return;
        s.pending = false;
        const int64_t rtt = nowNs(CLOCK_MONOTONIC) - s.monoNs;
        const SchedTimes now = readSched(schedFd);
        const SchedTimes reader = readSched(readerFd);
        const auto spent = [](int64_t from, int64_t to) {
            return (from < 0 || to < 0) ? -1LL : (long long)((to - from) / 1000);
        };
        std::fprintf(out, "%u %lld %lld %lld %lld %lld\n", seq, (long long)s.realNs, (long long)(rtt / 1000),
                     spent(s.sched.onCpu, now.onCpu), spent(s.sched.waiting, now.waiting),
                     spent(s.reader.waiting, reader.waiting));
    }

    void drain()
    {
        while (XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == ClientMessage)
                answered(ev.xclient);
        }
    }

    void writeUnanswered()
    {
        const int64_t end = nowNs(CLOCK_MONOTONIC);
        for (const Sent& s : sent)
            if (s.pending)
                std::fprintf(out, "%u %lld - %lld\n", s.seq, (long long)s.realNs, (long long)((end - s.monoNs) / 1000));
    }
};

int runPing(Display* dpy, Window target, FILE* out, double seconds, int schedFd, int readerFd)
{
    XSetErrorHandler(onXError);
    auto* p = new Pinger{dpy,
                         target,
                         DefaultRootWindow(dpy),
                         XInternAtom(dpy, "WM_PROTOCOLS", False),
                         XInternAtom(dpy, "_NET_WM_PING", False),
                         out,
                         schedFd,
                         readerFd};
    // The answer goes to the root window for StructureNotify or
    // SubstructureRedirect listeners; the first is enough to hear it.
    XSelectInput(dpy, p->root, StructureNotifyMask);
    // A window that is gone is told by an error on a request we wait for.
    XWindowAttributes attrs;
    if (XGetWindowAttributes(dpy, target, &attrs) == 0) {
        std::fprintf(stderr, "stall_ping: no window 0x%lx\n", target);
        delete p;
        return 1;
    }
    const int64_t end = nowNs(CLOCK_MONOTONIC) + int64_t(seconds * 1e9);
    int64_t due = nowNs(CLOCK_MONOTONIC);
    int64_t lastCheck = due;
    while (stopRequested == 0 && !windowGone) {
        const int64_t now = nowNs(CLOCK_MONOTONIC);
        if (now >= end)
            break;
        if (now >= due) {
            p->send();
            due = (now - due > kIntervalNs) ? now + kIntervalNs : due + kIntervalNs;
        }
        if (now - lastCheck > 500'000'000) {  // is it still there?
            XGetWindowAttributes(dpy, target, &attrs);
            lastCheck = now;
        }
        p->drain();
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        const int64_t wait = due - nowNs(CLOCK_MONOTONIC);
        const timespec ts{0, long(wait > 0 ? wait : 0)};
        if (ppoll(&fd, 1, &ts, nullptr) > 0)
            p->drain();
    }
    p->drain();
    p->writeUnanswered();
    std::fflush(out);
    delete p;
    return 0;
}

// Share of the pixels in the area whose colour matches rgb in the top four bits
// (a 24-bit TrueColor screen, as Xvfb gives by default).
double share(Display* dpy, int x, int y, int w, int h, unsigned long rgb)
{
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (img == nullptr)
        return 0;
    long hits = 0;
    for (int j = 0; j < h; j += 2)
        for (int i = 0; i < w; i += 2) {
            const unsigned long px = XGetPixel(img, i, j);
            hits += (px & 0xF0F0F0) == (rgb & 0xF0F0F0);
        }
    XDestroyImage(img);
    return double(hits) * 4 / (double(w) * h);
}

int runWatch(Display* dpy, char** a, int n)
{
    const int x = std::atoi(a[0]), y = std::atoi(a[1]), w = std::atoi(a[2]), h = std::atoi(a[3]);
    const unsigned long rgb = std::strtoul(a[4], nullptr, 16);
    const int64_t timeout = (n > 5 ? std::atoll(a[5]) : 10000) * 1'000'000LL;
    const int64_t start = nowNs(CLOCK_MONOTONIC);
    while (stopRequested == 0 && nowNs(CLOCK_MONOTONIC) - start < timeout) {
        const int64_t grabbed = nowNs(CLOCK_REALTIME);
        if (share(dpy, x, y, w, h, rgb) >= 1.0 / 3) {
            std::printf("%lld\n", (long long)grabbed);
            return 0;
        }
        const timespec ts{0, 5'000'000};
        nanosleep(&ts, nullptr);
    }
    return 1;
}

int openSched(const char* tid)
{
    if (tid == nullptr || *tid == '\0')
        return -1;
    const std::string stat = std::string("/proc/") + tid + "/schedstat";
    const int fd = open(stat.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        std::fprintf(stderr, "stall_ping: cannot read %s: %s\n", stat.c_str(), std::strerror(errno));
    return fd;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: stall_ping ping WINDOW OUT [SECONDS [TID [READER_TID]]]\n"
                 "       stall_ping watch X Y WIDTH HEIGHT RRGGBB [TIMEOUT_MS]\n"
                 "       stall_ping clocks\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    if (mode == "clocks") {
        std::printf("%lld %lld\n", (long long)nowNs(CLOCK_REALTIME), (long long)nowNs(CLOCK_MONOTONIC));
        return 0;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;  // no SA_RESTART: the wait ends at once
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "stall_ping: no display\n");
        return 1;
    }
    int rc = 2;
    if (mode == "ping" && argc >= 4) {
        FILE* out = std::fopen(argv[3], "w");
        if (out == nullptr) {
            std::fprintf(stderr, "stall_ping: cannot write %s: %s\n", argv[3], std::strerror(errno));
            return 1;
        }
        std::setvbuf(out, nullptr, _IOLBF, 0);
        const int schedFd = openSched(argc > 5 ? argv[5] : nullptr);
        const int readerFd = openSched(argc > 6 ? argv[6] : nullptr);
        rc = runPing(dpy, Window(std::strtoul(argv[2], nullptr, 0)), out, argc > 4 ? std::atof(argv[4]) : 600, schedFd,
                     readerFd);
        for (const int fd : {schedFd, readerFd})
            if (fd >= 0)
                close(fd);
        std::fclose(out);
    } else if (mode == "watch" && argc >= 7) {
        rc = runWatch(dpy, argv + 2, argc - 2);
    } else {
        rc = usage();
    }
    XCloseDisplay(dpy);
    return rc;
}
