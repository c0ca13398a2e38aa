// Starts a program and times it from the moment before fork() until the X
// server maps a top-level window of that process: it listens on the root
// window for MapNotify (with no window manager, as under Xvfb, top-level
// windows are the root's children) and takes the first one whose window
// carries the child's _NET_WM_PID. The clock is read as the event arrives;
// the child is then held (SIGSTOP) while the CPU time all its threads have
// had is read, a figure the load of the machine changes less than the wall
// time. Then, after an idle time, it reads the child's resident memory (VmRSS)
// and counts the distinct shared objects in its /proc/PID/maps, ends the
// child and prints one line:
//   mapped_ms=153.2 cpu_ms=120.4 rss_kib=71234 libs=243
// With --list FILE it also writes the shared objects' paths there, one a line.
// usage: launch_probe [--idle MS] [--timeout MS] [--list FILE] PROGRAM [ARG...]
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void sleepMs(int ms)
{
    timespec t{ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {}
}

struct Options {
    int idleMs = 2000;
    int timeoutMs = 30000;
    const char* list = nullptr;
    std::vector<char*> command;  // null-terminated
};

std::optional<Options> parse(int argc, char** argv)
{
    Options o;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (std::strcmp(argv[i], "--idle") == 0)
            o.idleMs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--timeout") == 0)
            o.timeoutMs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--list") == 0)
            o.list = argv[i + 1];
        else
            return std::nullopt;
    }
    if (i >= argc)
        return std::nullopt;
    o.command.assign(argv + i, argv + argc);
    o.command.push_back(nullptr);
    return o;
}

class Display {
public:
    Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    bool open()
    {
        int screenNumber = 0;
        c_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c_))
            return false;
        auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        root_ = it.data->root;
        // The children of the root report their mapping to it; the request is
        // checked, so the mask is in place before the program starts.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        if (xcb_generic_error_t* e =
                    xcb_request_check(c_, xcb_change_window_attributes_checked(c_, root_, XCB_CW_EVENT_MASK, &mask))) {
            std::free(e);
            return false;
        }
        const char name[] = "_NET_WM_PID";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
                xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, sizeof name - 1, name), nullptr), &std::free);
        if (!atom)
            return false;
        pidAtom_ = atom->atom;
        fcntl(xcb_get_file_descriptor(c_), F_SETFD, FD_CLOEXEC);
        return true;
    }
    ~Display() { close(); }
    void close()
    {
        if (c_)
            xcb_disconnect(c_);
        c_ = nullptr;
    }

    int fd() const { return xcb_get_file_descriptor(c_); }
    // The top-level windows mapped since the last call (override-redirect
    // pop-ups left out).
    std::vector<xcb_window_t> mapped()
    {
        std::vector<xcb_window_t> windows;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (map->event == root_ && !map->override_redirect)
                    windows.push_back(map->window);
            }
            std::free(e);
        }
        return windows;
    }
    long pidOf(xcb_window_t w)
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
                xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr),
                &std::free);
        if (!r || xcb_get_property_value_length(r.get()) < 4)
            return -1;
        return long(*static_cast<uint32_t*>(xcb_get_property_value(r.get())));
    }
    bool broken() const { return xcb_connection_has_error(c_) != 0; }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t pidAtom_ = 0;
};

pid_t start(const Options& o)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(o.command[0], o.command.data());
        _exit(127);
    }
    return pid;
}

bool exited(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// Milliseconds from `t0` to the map of the child's window; negative if it
// never came.
double waitForMap(Display& x, pid_t pid, double t0, int timeoutMs)
{
    const double deadline = t0 + timeoutMs;
    pollfd p{x.fd(), POLLIN, 0};
    for (;;) {
        const double left = deadline - nowMs();
        if (left <= 0 || x.broken() || exited(pid))
            return -1;
        // Short waits, so a program that dies early is noticed.
        if (poll(&p, 1, left < 50 ? int(left) + 1 : 50) <= 0)
            continue;
        const double at = nowMs();
        for (xcb_window_t w : x.mapped())
            if (x.pidOf(w) == long(pid))
                return at - t0;
    }
}

// CPU time of every thread of the process so far (schedstat, in ns).
double cpuMs(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    struct Close {
        void operator()(DIR* d) const { closedir(d); }
    };
    std::unique_ptr<DIR, Close> tasks(opendir(dir.c_str()));
    double ns = 0;
    while (tasks) {
        const dirent* d = readdir(tasks.get());
        if (!d)
            break;
        if (d->d_name[0] == '.')
            continue;
        std::ifstream stat(dir + "/" + d->d_name + "/schedstat");
        double onCpu = 0;
        if (stat >> onCpu)
            ns += onCpu;
    }
    return ns / 1e6;
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Distinct files mapped whose name is a shared object: "x.so" or "x.so.N...".
std::set<std::string> sharedObjects(pid_t pid)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> paths;
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        std::string path = line.substr(slash);
        if (const auto deleted = path.find(" (deleted)"); deleted != std::string::npos)
            path.resize(deleted);
        const std::string base = path.substr(path.rfind('/') + 1);
        const auto so = base.find(".so");
        if (so != std::string::npos && (so + 3 == base.size() || base[so + 3] == '.'))
            paths.insert(path);
    }
    return paths;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (exited(pid))
            return;
        sleepMs(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> o = parse(argc, argv);
    if (!o) {
        std::fprintf(stderr, "usage: launch_probe [--idle MS] [--timeout MS] [--list FILE] PROGRAM [ARG...]\n");
        return 2;
    }
    // The server resets when its last client leaves, as between two runs,
    // and refuses connections meanwhile: a few tries.
    Display x;
    bool opened = x.open();
    for (int i = 0; i < 40 && !opened; ++i) {
        sleepMs(50);
        x.close();
        opened = x.open();
    }
    if (!opened) {
        std::fprintf(stderr, "launch_probe: no X display\n");
        return 2;
    }
    const double t0 = nowMs();
    const pid_t pid = start(*o);
    if (pid < 0) {
        std::perror("launch_probe: fork");
        return 2;
    }
    const double mapped = waitForMap(x, pid, t0, o->timeoutMs);
    if (mapped < 0) {
        std::fprintf(stderr, "launch_probe: %s mapped no window\n", o->command[0]);
        stop(pid);
        return 1;
    }
    kill(pid, SIGSTOP);
    const double cpu = cpuMs(pid);
    kill(pid, SIGCONT);
    sleepMs(o->idleMs);
    const long rss = residentKiB(pid);
    const std::set<std::string> libs = sharedObjects(pid);
    if (exited(pid) || rss < 0) {
        std::fprintf(stderr, "launch_probe: %s ended while idle\n", o->command[0]);
        return 1;
    }
    if (o->list) {
        std::ofstream list(o->list);
        for (const std::string& path : libs)
            list << path << '\n';
    }
    std::printf("mapped_ms=%.1f cpu_ms=%.1f rss_kib=%ld libs=%zu\n", mapped, cpu, rss, libs.size());
    stop(pid);
    return 0;
}
