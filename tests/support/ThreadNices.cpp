#include "ThreadNices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/resource.h>

namespace corvane::test {

QList<QPair<QString, int>> threadNices(qint64 pid)
{
    if (pid == 0)
        pid = QCoreApplication::applicationPid();
    QList<QPair<QString, int>> out;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + QLatin1Char('/') + tid + QStringLiteral("/comm"));
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, tid.toUInt());
        if (!comm.open(QIODevice::ReadOnly) || errno != 0)
            continue;  // ended meanwhile
        const QPair<QString, int> entry{QString::fromLatin1(comm.readAll().trimmed()), nice};
        if (tid.toLongLong() == pid)
            out.prepend(entry);
        else
            out.append(entry);
    }
    return out;
}

}  // namespace corvane::test
