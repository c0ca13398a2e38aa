#include "FileCache.h"

#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
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
    // A stretch already cached answers a read that may not wait; at the
    // first that is not, the kernel is asked for the rest of the file in
    // large requests, and a byte read from each stretch then waits for it.
    constexpr off_t Stretch = 256 * 1024;
    char byte = 0;
    bool asked = false;
    for (off_t at = 0; at < st.st_size; at += Stretch) {
        if (!asked) {
            iovec one{&byte, 1};
            if (::preadv2(fd, &one, 1, at, RWF_NOWAIT) == 1)
                continue;
            ::readahead(fd, at, size_t(st.st_size - at));
            asked = true;
        }
        if (::pread(fd, &byte, 1, at) != 1)
            break;
    }
    ::close(fd);
    return true;
}

void fillMapped()
{
    for (const QString& path : mappedFiles())
        fill(path);
}

}  // namespace corvane::filecache
