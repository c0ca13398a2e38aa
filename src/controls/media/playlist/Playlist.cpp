#include "Playlist.h"

#include "AsxParser.h"
#include "LocalRef.h"
#include "M3uParser.h"
#include "PlaylistText.h"

#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace corvane::playlist {

namespace {

bool hasSuffix(const QString& path, QStringView suffix)
{
    return QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0;
}

// Cheap first look, so that the start of every media file named by a list
// is not decoded: list text starts, after a byte-order mark and white space,
// with '<' or '#'. UTF-16 text is left to the full look.
bool mayBeListText(const QByteArray& head)
{
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return true;
    qsizetype i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() && (head[i] == ' ' || (head[i] >= '\t' && head[i] <= '\r')))
        ++i;
    return i < head.size() && (head[i] == '<' || head[i] == '#');
}

QByteArray readHead(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(kHeadBytes);
}

// One reading of a list and of every list it names.
class Reader {
public:
    explicit Reader(int maxTracks) : max_(maxTracks) {}

    QStringList run(const QString& path)
    {
        const QFileInfo info(path);
        if (max_ > 0 && info.isFile())
            readList(info, 0);
        return tracks_;
    }

private:
    bool full() const { return tracks_.size() >= max_ || probes_ >= kMaxProbes; }

    // Reads the list `info` at nesting `depth`; true if it added tracks.
    bool readList(const QFileInfo& info, int depth)
    {
        if (depth > kMaxNesting || reads_ >= kMaxListReads)
            return false;
        const QString key = info.canonicalFilePath();
        if (key.isEmpty() || chain_.contains(key))
            return false;  // gone meanwhile, or a cycle
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        ++reads_;
        QByteArray data = file.read(kMaxListBytes);
        const bool truncated = !file.atEnd();
        const PlaylistKind kind = playlistKind(info.fileName(), data.left(kHeadBytes));
        if (kind == PlaylistKind::None)
            return false;

        const qsizetype before = tracks_.size();
        chain_.append(key);
        const RefBase base{false, info.absolutePath()};
        if (kind == PlaylistKind::Asx) {
            readAsx(data, base, depth);
        } else {
            if (truncated) {
                // The last line may be cut short: drop it.
                const qsizetype cut = std::max(data.lastIndexOf('\n'), data.lastIndexOf('\r'));
                data.truncate(std::max<qsizetype>(cut, 0));
            }
            readM3u(data, hasSuffix(info.fileName(), u"m3u8"), base, depth);
        }
        chain_.removeLast();
        return tracks_.size() > before;
    }

    void readAsx(const QByteArray& data, const RefBase& listBase, int depth)
    {
        const AsxDocument doc = bestReading<AsxDocument>(decodeByBytes(data, false, true), data, listBase,
                                                         [](const QString& t) { return parseAsx(t, kMaxProbes); });
        const RefBase docBase = doc.base.isEmpty() ? listBase : resolveBase(doc.base, listBase);
        for (const AsxItem& item : doc.items) {
            if (full())
                return;
            const RefBase base = item.base.isEmpty() ? docBase : resolveBase(item.base, docBase);
            for (const QString& href : item.hrefs) {
                if (full() || addRef(href, base, depth))
                    break;  // the first usable REF wins; the rest are fallbacks
            }
        }
    }

    void readM3u(const QByteArray& data, bool utf8, const RefBase& base, int depth)
    {
        const QStringList refs = bestReading<QStringList>(decodeByBytes(data, utf8), data, base,
                                                          [](const QString& t) { return parseM3u(t, kMaxProbes); });
        for (const QString& ref : refs) {
            if (full())
                return;
            addRef(ref, base, depth);
        }
    }

    // The list as read from `decided` text, or else from the code-page
    // reading whose names (the ones that differ between the readings, so
    // those beyond ASCII) find the most existing files; the Chinese reading
    // wins a tie.
    template <typename List, typename Parse>
    static List bestReading(const std::optional<QString>& decided, const QByteArray& data, const RefBase& base,
                            Parse parse)
    {
        if (decided)
            return parse(*decided);
        List best;
        int bestFound = -1;
        for (const QString& text : codePageReadings(data)) {
            List list = parse(text);
            const int found = existingNames(list, base);
            if (found > bestFound) {
                best = std::move(list);
                bestFound = found;
            }
        }
        return best;
    }

    static int existingNames(const QStringList& refs, const RefBase& base)
    {
        int found = 0;
        QFileInfo info;
        for (const QString& ref : refs) {
            const bool plain = std::all_of(ref.begin(), ref.end(), [](QChar c) { return c.unicode() < 0x80; });
            found += !plain && existingFile(ref, base, info);
        }
        return found;
    }

    static int existingNames(const AsxDocument& doc, const RefBase& listBase)
    {
        const RefBase docBase = doc.base.isEmpty() ? listBase : resolveBase(doc.base, listBase);
        int found = 0;
        for (const AsxItem& item : doc.items)
            found += existingNames(item.hrefs, item.base.isEmpty() ? docBase : resolveBase(item.base, docBase));
        return found;
    }

    // Adds the file `href` names, or the tracks of the list it names.
    // True if that gave at least one track.
    bool addRef(const QString& href, const RefBase& base, int depth)
    {
        ++probes_;
        QFileInfo info;
        if (!existingFile(href, base, info)
            && !(href.contains(u'%') && existingFile(QUrl::fromPercentEncoding(href.toUtf8()), base, info)))
            return false;
        const QString path = info.absoluteFilePath();
        const QByteArray head = readHead(path);
        if (playlistKind(path, head) != PlaylistKind::None)
            return readList(info, depth + 1);
        tracks_.append(path);
        return true;
    }

    static bool existingFile(const QString& href, const RefBase& base, QFileInfo& info)
    {
        const LocalRef ref = resolveRef(href, base);
        if (ref.kind != LocalRef::Kind::Local)
            return false;
        info.setFile(ref.path);
        return info.isFile();
    }

    const int max_;
    QStringList tracks_;
    QStringList chain_;  // canonical paths of the lists being read
    int probes_ = 0;
    int reads_ = 0;
};

}  // namespace

PlaylistKind playlistKind(const QString& path, const QByteArray& head)
{
    if (mayBeListText(head)) {
        const QString text = decodeListText(head);
        if (startsWithAsxRoot(text))
            return PlaylistKind::Asx;
        if (startsWithM3uHeader(text))
            return PlaylistKind::M3u;
    }
    if (hasSuffix(path, u"m3u") || hasSuffix(path, u"m3u8"))
        return PlaylistKind::M3u;
    return PlaylistKind::None;
}

bool isPlaylist(const QString& path, const QByteArray& head) { return playlistKind(path, head) != PlaylistKind::None; }

bool isPlaylistFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return isPlaylist(path, f.read(kHeadBytes));
}

QStringList readPlaylist(const QString& path, int maxTracks) { return Reader(maxTracks).run(path); }

}  // namespace corvane::playlist
