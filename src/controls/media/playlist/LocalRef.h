#pragma once
// What a reference inside a list names on this machine. Only local files
// count: plain paths (Windows backslashes included) and file: URLs on this
// host. Every other scheme, network share or drive letter names nothing
// here, and nothing in this module ever opens such a name.
#include <QString>

namespace corvane::playlist {

struct LocalRef {
    enum class Kind {
        Local,     // `path` is an absolute, cleaned local path
        Remote,    // another scheme, a network share, file:// on another host
        Unusable,  // empty, a drive letter, NUL bytes, absurdly long
    };
    Kind kind = Kind::Unusable;
    QString path;
};

// Where the relative references of a list point to: a local folder, or a
// remote place (then relative references are remote too and are skipped).
struct RefBase {
    bool remote = false;
    QString dir;  // absolute local folder when !remote
};

// Longest reference looked at; longer ones are Unusable.
inline constexpr int kMaxRefLength = 4096;

// Resolves `href` (already entity-decoded text) against `base`.
LocalRef resolveRef(const QString& href, const RefBase& base);

// The base given by a BASE HREF of a list whose own base is `parent`.
// A BASE that names a local place is taken as a folder (with or without a
// final slash); a remote one makes relative references remote; an unusable
// one (e.g. a drive letter from another machine) is ignored.
RefBase resolveBase(const QString& href, const RefBase& parent);

}  // namespace corvane::playlist
