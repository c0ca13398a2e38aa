#include "ProcessMemory.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <unistd.h>

namespace corvane::bench {

qint64 residentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

qint64 ownResidentKiB() { return residentKiB(::getpid()); }

qint64 childrenResidentKiB()
{
    // Parent of every process, then everything that descends from us.
    QMap<qint64, qint64> parent;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (!ok)
            continue;
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const int close = stat.lastIndexOf(')');
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        parent.insert(pid, fields.value(1).toLongLong());
    }
    const qint64 self = ::getpid();
    qint64 sum = 0;
    for (auto it = parent.begin(); it != parent.end(); ++it) {
        qint64 p = it.value();
        for (int depth = 0; p > 1 && depth < 16; ++depth) {
            if (p == self) {
                sum += residentKiB(it.key());
                break;
            }
            p = parent.value(p, 0);
        }
    }
    return sum;
}

} // namespace corvane::bench
