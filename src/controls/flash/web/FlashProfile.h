#pragma once
// The web profile of the Flash display: off the record, no cache on disk, no
// cookies kept, downloads cancelled, every request outside the page's own
// scheme, data: and blob: blocked, and the page's files served from an
// allow-list built into the program.
#include <QByteArray>

class QObject;
class QWebEngineProfile;

namespace corvane {
class FlashSchemeHandler;
}

namespace corvane::flashweb {

// The URL scheme and host of the page and Ruffle's files.
inline constexpr char Scheme[] = "corvane";
inline constexpr char Host[] = "flash";

// Registers the scheme with the web engine; before its first profile.
void registerScheme();

// A new locked-down profile owned by parent; it takes `files` to serve its
// scheme.
QWebEngineProfile* createProfile(QObject* parent, FlashSchemeHandler* files);

}  // namespace corvane::flashweb
