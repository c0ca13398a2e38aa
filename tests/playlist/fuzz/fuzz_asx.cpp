// libFuzzer target: the ASX tag reader, recognition and reference resolution.
#include "AsxParser.h"
#include "FuzzChecks.h"
#include "Playlist.h"
#include "PlaylistText.h"

#include <cstddef>
#include <cstdint>

using namespace corvane::playlist;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    playlistKind(QStringLiteral("x.asx"), bytes.left(kHeadBytes));
    decodeByBytes(bytes, false, true);  // the XML declaration
    const QString text = decodeListText(bytes);
    startsWithAsxRoot(text);

    const AsxDocument doc = parseAsx(text, 64);
    fuzz::check(doc.items.size() <= 64);
    const RefBase listBase{false, QStringLiteral("/fuzz/lists")};
    const RefBase docBase = doc.base.isEmpty() ? listBase : resolveBase(doc.base, listBase);
    fuzz::check(docBase.remote || docBase.dir.startsWith(u'/'));
    for (const AsxItem& item : doc.items) {
        fuzz::check(item.kind == AsxItem::Kind::Entry || item.hrefs.size() == 1);
        const RefBase base = item.base.isEmpty() ? docBase : resolveBase(item.base, docBase);
        for (const QString& href : item.hrefs)
            fuzz::checkRef(href, base);
    }
    return 0;
}
