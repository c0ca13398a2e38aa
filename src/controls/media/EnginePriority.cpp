#include "EnginePriority.h"

#include <algorithm>
#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

void EnginePriority::lowerThisThread()
{
    const auto self = static_cast<long>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, static_cast<id_t>(self));
    if (errno == 0)
        lowerThread(self, std::min(kLowest, now + kBelowGui));
}

void EnginePriority::lowerThread(long tid, int nice)
{
    // On Linux a nice value belongs to a thread: PRIO_PROCESS with a thread
    // id sets that thread only. Raising the nice value of a thread of the
    // same user needs no privilege.
    const auto id = static_cast<id_t>(tid);
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, id);
    if (errno == 0 && now < nice)
        (void)::setpriority(PRIO_PROCESS, id, nice);
}

}  // namespace corvane
