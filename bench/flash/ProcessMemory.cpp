#include "ProcessMemory.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <unistd.h>

namespace corvane::bench {

namespace {

qint64 field(const QString& file, const QByteArray& key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

}  // namespace

qint64 residentKiB(qint64 pid) { return field(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:"); }

qint64 proportionalKiB(qint64 pid) { return field(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:"); }

qint64 ownResidentKiB() { return residentKiB(::getpid()); }

static QList<qint64> descendants()
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
    QList<qint64> found;
    for (auto it = parent.begin(); it != parent.end(); ++it) {
        qint64 p = it.value();
        for (int depth = 0; p > 1 && depth < 16; ++depth) {
            if (p == self) {
                found << it.key();
                break;
            }
            p = parent.value(p, 0);
        }
    }
    return found;
}

qint64 childrenResidentKiB()
{
    qint64 sum = 0;
    for (qint64 pid : descendants())
        sum += residentKiB(pid);
    return sum;
}

qint64 childrenProportionalKiB()
{
    qint64 sum = 0;
    for (qint64 pid : descendants())
        sum += proportionalKiB(pid);
    return sum;
}

double childrenCpuSeconds()
{
    qint64 ticks = 0;
    for (qint64 pid : descendants()) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        // After the name: state is field 3, user and system time 14 and 15.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        ticks += fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    return double(ticks) / double(::sysconf(_SC_CLK_TCK));
}

qint64 treeProportionalKiB()
{
    qint64 sum = proportionalKiB(::getpid());
    for (qint64 pid : descendants())
        sum += proportionalKiB(pid);
    return sum;
}

}  // namespace corvane::bench
