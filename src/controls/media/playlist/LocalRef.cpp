#include "LocalRef.h"

#include <QDir>
#include <QUrl>

namespace corvane::playlist {

namespace {

bool isAsciiAlpha(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isSchemeChar(QChar c)
{
    return isAsciiAlpha(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

// Length of a leading "scheme:" (without the colon), or 0 if there is none.
qsizetype schemeLength(const QString& s)
{
    if (s.isEmpty() || !isAsciiAlpha(s.front()))
        return 0;
    qsizetype i = 1;
    while (i < s.size() && isSchemeChar(s[i]))
        ++i;
    return (i < s.size() && s[i] == u':') ? i : 0;
}

bool hasDriveLetter(const QString& s) { return s.size() >= 2 && isAsciiAlpha(s[0]) && s[1] == u':'; }

LocalRef local(const QString& path)
{
    // cleanPath keeps a leading "/.." ("/../a" stays); above the root is the root.
    QString clean = QDir::cleanPath(path);
    while (clean == u"/.." || clean.startsWith(u"/../"))
        clean.remove(0, 3);
    return {LocalRef::Kind::Local, clean.isEmpty() ? u"/"_qs : clean};
}

LocalRef remote() { return {LocalRef::Kind::Remote, {}}; }

LocalRef unusable() { return {}; }

LocalRef resolvePath(const QString& path, const RefBase& base)
{
    if (path.isEmpty())
        return unusable();
    if (path.startsWith(u"//"))
        return remote();  // a network share, or a host-relative URL
    if (hasDriveLetter(path))
        return unusable();
    if (path.front() == u'/')
        return local(path);
    if (base.remote)
        return remote();
    if (base.dir.isEmpty())
        return unusable();
    return local(base.dir + u'/' + path);
}

LocalRef resolveFileUrl(QString rest, const RefBase& base)
{
    // rest is what follows "file:". A query or fragment is not part of a name.
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == u'?' || rest[i] == u'#') {
            rest.truncate(i);
            break;
        }
    }
    if (rest.startsWith(u"//")) {
        qsizetype slash = rest.indexOf(u'/', 2);
        if (slash < 0)
            slash = rest.size();
        const QStringView host = QStringView(rest).sliced(2, slash - 2);
        if (!host.isEmpty() && host.compare(u"localhost", Qt::CaseInsensitive) != 0)
            return remote();
        rest.remove(0, slash);
    }
    const QString path = QUrl::fromPercentEncoding(rest.toUtf8());
    if (path.isEmpty() || path.contains(QChar(0)))
        return unusable();
    if (path.front() == u'/' && hasDriveLetter(path.sliced(1)))
        return unusable();  // file:///C:/... from another machine
    return resolvePath(path, base);
}

}  // namespace

LocalRef resolveRef(const QString& href, const RefBase& base)
{
    QString s = href.trimmed();
    if (s.isEmpty() || s.size() > kMaxRefLength || s.contains(QChar(0)))
        return unusable();
    s.replace(u'\\', u'/');

    const qsizetype scheme = schemeLength(s);
    if (scheme == 1)
        return unusable();  // a drive letter of another machine
    if (scheme == 0)
        return resolvePath(s, base);
    if (s.first(scheme).compare(u"file", Qt::CaseInsensitive) != 0)
        return remote();

    return resolveFileUrl(s.sliced(scheme + 1), base);
}

RefBase resolveBase(const QString& href, const RefBase& parent)
{
    const LocalRef r = resolveRef(href, parent);
    switch (r.kind) {
    case LocalRef::Kind::Local: return {false, r.path};
    case LocalRef::Kind::Remote: return {true, {}};
    case LocalRef::Kind::Unusable: break;
    }
    return parent;
}

}  // namespace corvane::playlist
