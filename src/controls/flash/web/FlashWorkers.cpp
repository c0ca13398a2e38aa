#include "FlashWorkers.h"

#include "EnginePriority.h"

#include <QDir>
#include <QFile>

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

void FlashWorkers::lower(qint64 pid)
{
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + QLatin1Char('/') + tid + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readLine().startsWith(WorkerName))
            EnginePriority::lowerThread(tid.toLong(), EnginePriority::kLowest);
    }
}

}  // namespace corvane
