#include "FlashFolder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <QFile>
#include <QList>
#include <QStringConverter>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::flashfolder {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QByteArray> realPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return std::nullopt;
    QByteArray out(real);
    ::free(real);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
    return out;
}

// The names of folders and the file, decoded; none when a name is empty,
// "." or "..", or holds a '/' or a NUL once decoded.
std::optional<QList<QByteArray>> names(const QByteArray& encoded)
{
    QList<QByteArray> out;
    for (const QByteArray& part : encoded.split('/')) {
        const QByteArray name = percentDecoded(part);
        if (name.isEmpty() || name == "." || name == ".." || name.contains('/') || name.contains('\0'))
            return std::nullopt;
        out << name;
    }
    return out;
}

// `text` in `codec`, when it can be written so and read back the same.
std::optional<QByteArray> encoded(const QString& text, const char* codec)
{
    QStringEncoder encode(codec);
    QStringDecoder decode(codec);
    if (!encode.isValid() || !decode.isValid())
        return std::nullopt;
    const QByteArray bytes = encode.encode(text);
    if (encode.hasError() || QString(decode.decode(bytes)) != text)
        return std::nullopt;
    return bytes;
}

// The ways a name may be spelt on disk: as the movie asked (UTF-8), and for
// the files of older Chinese systems, in GB18030 (which holds GBK). A movie
// of before version 6 holds the bytes of its system's code page, which the
// player reads as Windows-1252 text: those bytes, and what they say in GBK
// written in UTF-8, as the files are once copied to a newer system.
QList<QByteArray> spellings(const QByteArray& asked)
{
    QList<QByteArray> out{asked};
    const QString name = QString::fromUtf8(asked);
    if (name.toUtf8() != asked)
        return out;  // not UTF-8: only as it is
    const auto add = [&out](const std::optional<QByteArray>& bytes) {
        if (bytes && !out.contains(*bytes))
            out << *bytes;
    };
    add(encoded(name, "GB18030"));
    const std::optional<QByteArray> held = encoded(name, "windows-1252");
    add(held);
    if (held) {
        QStringDecoder gbk("GB18030");
        const QString said = gbk.isValid() ? QString(gbk.decode(*held)) : QString();
        if (!gbk.hasError() && !said.isEmpty())
            add(said.toUtf8());
    }
    return out;
}

// Each name in turn below `dir`, in the first spelling that is there.
std::optional<QByteArray> walk(QByteArray dir, const QList<QByteArray>& path)
{
    for (const QByteArray& name : path) {
        bool found = false;
        for (const QByteArray& spelt : spellings(name)) {
            struct stat st {};
            if (::lstat((dir + '/' + spelt).constData(), &st) == 0) {
                dir += '/' + spelt;
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return dir;
}

// Opens a plain file for reading without waiting on it (a named pipe would).
Opened openPlain(const QByteArray& path)
{
    Opened out;
    out.path = path;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        out.why = QStringLiteral("not a plain file that can be read");
        return out;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out.fd = fd;
    return out;
}

// One reading of the name: the file, or why there is none.
Opened openAs(const QByteArray& root, const QByteArray& encoded)
{
    Opened none;
    const auto path = names(encoded);
    if (!path) {
        none.why = QStringLiteral("not a name below the folder");
        return none;
    }
    const auto found = walk(root, *path);
    const auto real = found ? realPath(*found) : std::nullopt;
    if (!real) {
        none.why = QStringLiteral("no such file");
        return none;
    }
    // Links are followed, but the file they lead to must lie below the folder.
    const QByteArray below = root.endsWith('/') ? root : root + '/';
    if (!real->startsWith(below)) {
        none.why = QStringLiteral("outside the movie's folder: ") + QFile::decodeName(*real);
        return none;
    }
    return openPlain(*real);
}

}  // namespace

QByteArray percentDecoded(const QByteArray& encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const int high = encoded[i] == '%' && i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (low >= 0) {
            out += char(high << 4 | low);
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

Opened open(const QString& folder, const QByteArray& encoded)
{
    const auto root = folder.isEmpty() ? std::nullopt : realPath(QFile::encodeName(folder));
    if (!root)
        return {-1, {}, QStringLiteral("the movie has no folder")};
    Opened opened = openAs(*root, encoded);
    // The name as asked, with what follows a '?' or '#' (which the page sends
    // as "%23"), is taken first; then without it, as players on the desktop
    // read "game.swf?level=2" from the file game.swf.
    const qsizetype query = encoded.indexOf('?');
    const qsizetype fragment = encoded.indexOf("%23");
    const qsizetype cut = query < 0 ? fragment : (fragment < 0 ? query : std::min(query, fragment));
    if (opened.fd < 0 && cut > 0) {
        Opened shorter = openAs(*root, encoded.left(cut));
        if (shorter.fd >= 0)
            return shorter;
    }
    return opened;
}

QByteArray contentType(const QByteArray& name)
{
    static const std::pair<const char*, const char*> types[] = {
            {".swf", "application/x-shockwave-flash"},
            {".png", "image/png"},
            {".jpg", "image/jpeg"},
            {".jpeg", "image/jpeg"},
            {".gif", "image/gif"},
            {".mp3", "audio/mpeg"},
            {".xml", "text/xml"},
            {".txt", "text/plain"},
    };
    const QByteArray lower = name.toLower();
    for (const auto& [suffix, type] : types) {
        if (lower.endsWith(suffix))
            return type;
    }
    return "application/octet-stream";
}

}  // namespace corvane::flashfolder
