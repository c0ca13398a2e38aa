// libFuzzer target: the M3U line reader, text decoding and reference resolution.
#include "FuzzChecks.h"
#include "M3uParser.h"
#include "Playlist.h"
#include "PlaylistText.h"

#include <cstddef>
#include <cstdint>

using namespace corvane::playlist;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks .m3u8 (forced UTF-8) or .m3u (detected).
    const bool m3u8 = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    playlistKind(QStringLiteral("x.m3u"), bytes.left(kHeadBytes));
    const QString text = decodeListText(bytes, m3u8);
    startsWithM3uHeader(text);

    const QStringList refs = parseM3u(text, 64);
    fuzz::check(refs.size() <= 64);
    const RefBase base{false, QStringLiteral("/fuzz/lists")};
    for (const QString& ref : refs) {
        fuzz::check(!ref.isEmpty() && !ref.startsWith(u'#'));
        fuzz::check(!ref.contains(u'\n') && !ref.contains(u'\r'));
        fuzz::checkRef(ref, base);
    }
    return 0;
}
