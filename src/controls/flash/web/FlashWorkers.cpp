#include "FlashWorkers.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <sys/resource.h>

namespace corvane {

FlashWorkers::FlashWorkers(std::function<qint64()> process, QObject* parent)
    : QObject(parent), process_(std::move(process))
{
    timer_.setInterval(LookMs);
    connect(&timer_, &QTimer::timeout, this, &FlashWorkers::look);
}

void FlashWorkers::watch()
{
    left_ = LookTimes;
    look();
    timer_.start();
}

void FlashWorkers::look()
{
    if (--left_ <= 0)
        timer_.stop();
    if (const qint64 pid = process_(); pid > 0)
        lower(pid);
}

int FlashWorkers::lower(qint64 pid)
{
    // On Linux a nice value belongs to a thread: PRIO_PROCESS with a thread
    // id sets that thread only. The page's process is the user's own, in a
    // sandbox or not, so raising its threads' nice value is allowed.
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    int lowered = 0;
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + QLatin1Char('/') + tid + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly) || !comm.readLine().startsWith(WorkerName))
            continue;
        const auto id = static_cast<id_t>(tid.toLongLong());
        errno = 0;
        const int now = ::getpriority(PRIO_PROCESS, id);
        if (errno == 0 && now < WorkerNice && ::setpriority(PRIO_PROCESS, id, WorkerNice) == 0)
            ++lowered;
    }
    return lowered;
}

}  // namespace corvane
