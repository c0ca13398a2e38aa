#pragma once
// M3U and M3U8 lists: one reference per line; lines starting with '#'
// (#EXTM3U, #EXTINF and any other comment) and blank lines are skipped.
// Lines end with LF, CR LF or CR. Touches no file; linear in the text.
#include <QStringList>
#include <QStringView>

namespace corvane::playlist {

// The references of `text` in order, trimmed; at most `maxItems`.
QStringList parseM3u(QStringView text, int maxItems);

// True if `text` starts, after white space, with the #EXTM3U header.
bool startsWithM3uHeader(QStringView text);

}  // namespace corvane::playlist
