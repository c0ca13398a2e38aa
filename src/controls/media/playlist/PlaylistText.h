#pragma once
// Turning the bytes of a list file into text. Lists come from everywhere:
// UTF-8 with or without a byte-order mark, UTF-16 with a mark, and, very
// often for Chinese file names, the local code page 936 (GBK).
#include <QByteArrayView>
#include <QString>

namespace corvane::playlist {

// Decodes `bytes`:
//  - a UTF-8 or UTF-16 byte-order mark decides, and is dropped;
//  - otherwise `forceUtf8` (.m3u8) or bytes that are valid UTF-8 give UTF-8;
//  - anything else is read as GB18030, the superset of GBK / code page 936.
// Never fails: undecodable bytes become U+FFFD.
QString decodeListText(QByteArrayView bytes, bool forceUtf8 = false);

// True if `bytes` are well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

}  // namespace corvane::playlist
