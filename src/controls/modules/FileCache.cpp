#include "FileCache.h"

#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::filecache {

QStringList mappedFiles()
{
    // /proc/self/maps: "start-end perms offset dev inode path"; a file that
    // was replaced or removed since it was mapped ends in " (deleted)".
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList files;
    QSet<QString> seen;
    const QByteArray all = maps.readAll();
    for (const QByteArray& line : all.split('\n')) {
        const qsizetype slash = line.indexOf(" /");
        if (slash < 0 || line.endsWith(" (deleted)"))
            continue;
        const QString path = QFile::decodeName(line.mid(slash + 1));
        if (path.startsWith(QLatin1String("/dev/")) || seen.contains(path))
            continue;
        seen.insert(path);
        files << path;
    }
    return files;
}

bool fill(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // The kernel reads what is missing in large requests, without waiting;
    // a byte read from every stretch then waits for each stretch to arrive.
    // A cached stretch answers at once.
    ::readahead(fd, 0, size_t(st.st_size));
    constexpr off_t Stretch = 64 * 1024;
    char byte = 0;
    for (off_t at = 0; at < st.st_size; at += Stretch)
        if (::pread(fd, &byte, 1, at) != 1)
            break;
    ::close(fd);
    return true;
}

void fillMapped()
{
    for (const QString& path : mappedFiles())
        fill(path);
}

}  // namespace corvane::filecache
