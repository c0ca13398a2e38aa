#pragma once
// Playlists: Windows-media metafiles (ASX: .asx .wax .wvx .wmx) and M3U
// lists (.m3u .m3u8), turned into the ordered absolute paths of the local
// files they name. Depends on QtCore only; never opens a URL or touches
// the network: every reference that is not a local file is skipped.
//
// How the media device uses it
// ----------------------------
// At "open":
//   1. Read the first kHeadBytes of the file and ask isPlaylist(path, head).
//      false: open the file itself, as before.
//   2. true: tracks = readPlaylist(path). Each track is an existing regular
//      file; whether it is playable is for the device to find out when it
//      probes it. Skip tracks that fail to probe.
//   3. No track left: nothing is open, length is 0, no message.
//   4. Otherwise the media is the tracks in order: length = sum of the
//      probed lengths; position = time from the start of the first track
//      (sum of the earlier tracks + position in the current one).
//   5. Play track after track without a completion notification between
//      them; the completion notification comes only at the end of the last
//      track, with position == length.
//   6. "next": start of the next track; on the last track, the end of the
//      media (the completion path). "prev": start of the first track.
//      "step"/"back": within the current track.
// readPlaylist works only on the file system and stops at kMaxTracks, so it
// can run on the GUI thread or beside the probing, whichever the device uses.
//
// Rules applied
// -------------
// - Recognition (isPlaylist): content decides for ASX (an <ASX root, any
//   case, after white space, XML declaration, document type and comments);
//   M3U by a #EXTM3U header or by the .m3u/.m3u8 extension.
// - ASX: each ENTRY gives its first REF that names an existing local file;
//   later REFs are fallbacks. ENTRYREF is expanded in place. Relative
//   references resolve against BASE HREF (document or entry level) if
//   given, else against the metafile's folder. A remote BASE makes relative
//   references remote (skipped).
// - M3U: one reference per non-comment line, relative to the list's folder;
//   text is UTF-8 for .m3u8 and for valid UTF-8.
// - Text (M3U, and ASX without an XML encoding declaration): a byte-order
//   mark decides (UTF-8, UTF-16 LE/BE), then valid UTF-8; otherwise it is
//   read in the Chinese code page (GB18030) and in Windows-1252, and the
//   reading whose names beyond ASCII find existing files wins, the Chinese
//   one on a tie. An ASX's encoding declaration is followed.
// - Local references: plain paths (backslashes taken as separators) and
//   file: URLs on this host. http, https, mms, rtsp and any other scheme,
//   network shares (\\server\share) and drive letters are skipped.
// - A reference that is itself a playlist (ASX or M3U, inside either kind
//   of list) is expanded in place, at most kMaxNesting levels below the
//   opened list; a list already being expanded is not entered again, so
//   cycles are cut. A list that yields nothing counts as missing, so the
//   next fallback REF is tried.
// - Missing files, folders and devices are skipped. At most maxTracks
//   tracks are returned, later ones are dropped.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane::playlist {

// Tracks of one media at most; later entries are dropped.
inline constexpr int kMaxTracks = 1000;
// Levels of nested lists expanded below the opened one.
inline constexpr int kMaxNesting = 4;
// Bytes of a list read at most; a longer list is read up to this size.
inline constexpr qint64 kMaxListBytes = 4 * 1024 * 1024;
// Bytes of the start of a file that recognition looks at.
inline constexpr qint64 kHeadBytes = 4096;
// References examined per opened list in all (missing ones included), and
// nested lists read at most: bounds the work of hostile lists.
inline constexpr int kMaxProbes = 10 * kMaxTracks;
inline constexpr int kMaxListReads = 64;

enum class PlaylistKind { None, Asx, M3u };

// What `head` (the first bytes of the file at `path`) is.
PlaylistKind playlistKind(const QString& path, const QByteArray& head);
bool isPlaylist(const QString& path, const QByteArray& head);
// Reads the head of `path` itself; false for anything but a readable regular file.
bool isPlaylistFile(const QString& path);

// The absolute paths of the local files the list at `path` names, in
// order, at most `maxTracks`. Empty if `path` is no playlist or names
// nothing usable.
QStringList readPlaylist(const QString& path, int maxTracks = kMaxTracks);

}  // namespace corvane::playlist
