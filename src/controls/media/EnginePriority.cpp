#include "EnginePriority.h"

#include <algorithm>
#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

void EnginePriority::lowerThisThread()
{
    // On Linux a nice value belongs to a thread: PRIO_PROCESS with a thread
    // id sets that thread only.
    constexpr int kLowest = 19;
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, self);
    if (errno != 0)
        return;
    (void)::setpriority(PRIO_PROCESS, self, std::min(kLowest, now + kBelowGui));
}

}  // namespace corvane
