#pragma once
// What must hold for every reference the parsers hand on, whatever the bytes.
#include "LocalRef.h"

#include <cstdlib>

namespace corvane::playlist::fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Resolves `href` and checks the result: a local name is absolute and
// clean; a URL of any scheme but file: is never local.
inline void checkRef(const QString& href, const RefBase& base)
{
    const LocalRef ref = resolveRef(href, base);
    if (ref.kind != LocalRef::Kind::Local) {
        check(ref.path.isEmpty());
        return;
    }
    check(ref.path.startsWith(u'/'));
    check(!ref.path.contains(u"//") && !ref.path.contains(QChar(0)));
    check(!ref.path.contains(u"/../") && !ref.path.endsWith(u"/.."));
    const QString lower = href.trimmed().toLower();
    for (const char16_t* scheme : {u"http:", u"https:", u"mms:", u"rtsp:", u"ftp:"})
        check(!lower.startsWith(QStringView(scheme)));
}

}  // namespace corvane::playlist::fuzz
