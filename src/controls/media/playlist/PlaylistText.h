#pragma once
// Turning the bytes of a list file into text. Lists come from everywhere:
// UTF-8 with or without a byte-order mark, UTF-16 with a mark, and, in a
// code page: very often the Chinese one (GBK, code page 936), or a Western
// one (Windows-1252, of which ISO-8859-1 is nearly all).
#include <optional>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace corvane::playlist {

// The text when the bytes themselves decide it, in this order:
//  - a UTF-8 or UTF-16 byte-order mark, which is dropped;
//  - for XML (`xml`), the encoding its declaration names, if known here;
//  - `forceUtf8` (.m3u8), or bytes that are valid UTF-8: UTF-8.
// Nothing when they leave it open: then codePageReadings() are the choices.
std::optional<QString> decodeByBytes(QByteArrayView bytes, bool forceUtf8 = false, bool xml = false);

// The readings of `bytes` in the code pages tried, the Chinese one first
// (GB18030, the superset of GBK), then Windows-1252. Undecodable bytes
// become U+FFFD.
QStringList codePageReadings(QByteArrayView bytes);

// decodeByBytes(), else the Chinese reading. Never fails.
QString decodeListText(QByteArrayView bytes, bool forceUtf8 = false);

// The encoding an XML declaration at the start of `bytes` names; empty if none.
QByteArray xmlDeclaredEncoding(QByteArrayView bytes);

// True if `bytes` are well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

}  // namespace corvane::playlist
