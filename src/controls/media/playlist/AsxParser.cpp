#include "AsxParser.h"

namespace corvane::playlist {

namespace {

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v'; }

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u':' || c == u'.'; }

bool is(QStringView name, QStringView wanted) { return name.compare(wanted, Qt::CaseInsensitive) == 0; }

struct Tag {
    QStringView name;
    QStringView href;  // raw value of the first HREF attribute
    bool hasHref = false;
    bool closing = false;
    bool selfClosing = false;
};

// Scans the text one markup construct at a time. Every step moves forward.
class Scanner {
public:
    explicit Scanner(QStringView text) : s_(text) {}

    // Reads the next complete tag; false at the end of the text.
    bool next(Tag& tag)
    {
        while (i_ < s_.size()) {
            const qsizetype lt = s_.indexOf(u'<', i_);
            if (lt < 0)
                break;
            i_ = lt + 1;
            if (skipSpecial())
                continue;
            tag = Tag{};
            if (i_ < s_.size() && s_[i_] == u'/') {
                tag.closing = true;
                ++i_;
            }
            tag.name = readName();
            if (tag.name.isEmpty())
                continue;  // a stray '<' in text
            if (readAttributes(tag))
                return true;
        }
        i_ = s_.size();
        return false;
    }

private:
    bool startsHere(QStringView what) const { return s_.sliced(i_).startsWith(what); }

    // Skips to just after `end`, or to the end of the text if it never comes.
    void skipPast(QStringView end)
    {
        const qsizetype at = s_.indexOf(end, i_);
        i_ = at < 0 ? s_.size() : at + end.size();
    }

    // Comments, CDATA sections, declarations and processing instructions.
    bool skipSpecial()
    {
        if (startsHere(u"!--")) {
            i_ += 3;
            skipPast(u"-->");
        } else if (startsHere(u"![CDATA[")) {
            i_ += 8;
            skipPast(u"]]>");
        } else if (startsHere(u"!") || startsHere(u"?")) {
            skipPast(u">");
        } else {
            return false;
        }
        return true;
    }

    void skipSpaces()
    {
        while (i_ < s_.size() && isSpace(s_[i_]))
            ++i_;
    }

    QStringView readName()
    {
        const qsizetype start = i_;
        while (i_ < s_.size() && isNameChar(s_[i_]))
            ++i_;
        return s_.sliced(start, i_ - start);
    }

    // Reads attributes up to the end of the tag. False if the text ends first.
    bool readAttributes(Tag& tag)
    {
        for (;;) {
            skipSpaces();
            if (i_ >= s_.size())
                return false;
            const QChar c = s_[i_];
            if (c == u'>') {
                ++i_;
                return true;
            }
            if (c == u'<')
                return true;  // unclosed tag: the next one starts here
            if (c == u'/') {
                ++i_;
                if (i_ < s_.size() && s_[i_] == u'>') {
                    ++i_;
                    tag.selfClosing = true;
                    return true;
                }
                continue;
            }
            if (!isNameChar(c)) {
                ++i_;  // stray character
                continue;
            }
            const QStringView name = readName();
            skipSpaces();
            if (i_ >= s_.size() || s_[i_] != u'=')
                continue;  // an attribute without a value
            ++i_;
            skipSpaces();
            QStringView value;
            if (!readValue(value))
                return false;
            if (!tag.hasHref && is(name, u"href")) {
                tag.href = value;
                tag.hasHref = true;
            }
        }
    }

    bool readValue(QStringView& value)
    {
        if (i_ >= s_.size())
            return false;
        const QChar q = s_[i_];
        if (q == u'"' || q == u'\'') {
            const qsizetype end = s_.indexOf(q, i_ + 1);
            if (end < 0)
                return false;
            value = s_.sliced(i_ + 1, end - i_ - 1);
            i_ = end + 1;
            return true;
        }
        const qsizetype start = i_;
        while (i_ < s_.size() && !isSpace(s_[i_]) && s_[i_] != u'>' && s_[i_] != u'<')
            ++i_;
        // href=clip.wav/> : the slash closes the tag, it is not part of the name.
        if (i_ < s_.size() && s_[i_] == u'>' && i_ - 1 > start && s_[i_ - 1] == u'/')
            --i_;
        value = s_.sliced(start, i_ - start);
        return true;
    }

    QStringView s_;
    qsizetype i_ = 0;
};

// Reads "#123;" / "#x1F;" after a '&'. Returns the characters consumed, 0 if
// this is no valid character reference.
qsizetype readCharRef(QStringView v, qsizetype i, QString& out)
{
    qsizetype j = i + 1;  // after '#'
    int radix = 10;
    if (j < v.size() && (v[j] == u'x' || v[j] == u'X')) {
        radix = 16;
        ++j;
    }
    const qsizetype digitsStart = j;
    char32_t cp = 0;
    while (j < v.size() && j - digitsStart < 8) {
        const QChar c = v[j];
        const bool digit =
                (c >= u'0' && c <= u'9') || (radix == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
        if (!digit)
            break;
        const int value = c <= u'9' ? c.unicode() - u'0' : (c.toLower().unicode() - u'a' + 10);
        cp = cp * char32_t(radix) + char32_t(value);
        ++j;
    }
    if (j == digitsStart || j >= v.size() || v[j] != u';')
        return 0;
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    out += QString::fromUcs4(&cp, 1);
    return j + 1 - i;
}

}  // namespace

QString decodeXmlEntities(QStringView v)
{
    if (!v.contains(u'&'))
        return v.toString();
    QString out;
    out.reserve(v.size());
    qsizetype i = 0;
    while (i < v.size()) {
        if (v[i] != u'&') {
            out += v[i++];
            continue;
        }
        const QStringView rest = v.sliced(i + 1);
        static constexpr struct {
            QStringView name;
            char16_t ch;
        } named[] = {{u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}, {u"apos;", u'\''}};
        bool done = false;
        for (const auto& n : named) {
            if (rest.startsWith(n.name, Qt::CaseInsensitive)) {
                out += QChar(n.ch);
                i += 1 + n.name.size();
                done = true;
                break;
            }
        }
        if (done)
            continue;
        if (!rest.isEmpty() && rest.front() == u'#') {
            const qsizetype used = readCharRef(v, i + 1, out);
            if (used > 0) {
                i += 1 + used;
                continue;
            }
        }
        out += v[i++];
    }
    return out;
}

namespace {

// Takes what one tag gives into `doc`; `current` is the index of the open
// ENTRY, -1 outside. Returns the items and references it added.
int takeTag(const Tag& tag, AsxDocument& doc, qsizetype& current)
{
    if (is(tag.name, u"entry")) {
        if (tag.closing) {
            current = -1;
            return 0;
        }
        doc.items.append(AsxItem{});
        current = tag.selfClosing ? -1 : doc.items.size() - 1;
        return 1;
    }
    if (tag.closing || !tag.hasHref)
        return 0;
    const QString href = decodeXmlEntities(tag.href);
    if (is(tag.name, u"ref") && current >= 0) {
        doc.items[current].hrefs.append(href);
        return 1;
    }
    if (is(tag.name, u"entryref")) {
        doc.items.append(AsxItem{AsxItem::Kind::EntryRef, {href}, {}});
        return 1;
    }
    QString& base = current >= 0 ? doc.items[current].base : doc.base;
    if (is(tag.name, u"base") && base.isEmpty())
        base = href;
    return 0;
}

}  // namespace

AsxDocument parseAsx(QStringView text, int maxItems)
{
    AsxDocument doc;
    Scanner scanner(text);
    Tag tag;
    qsizetype current = -1;
    int count = 0;
    while (count < maxItems && scanner.next(tag))
        count += takeTag(tag, doc, current);
    return doc;
}

bool startsWithAsxRoot(QStringView text)
{
    qsizetype i = 0;
    for (;;) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        const QStringView rest = text.sliced(i);
        qsizetype at = -1;
        if (rest.startsWith(u"<!--"))
            at = text.indexOf(u"-->", i + 4);
        else if (rest.startsWith(u"<?") || rest.startsWith(u"<!"))
            at = text.indexOf(u'>', i + 2);
        else
            break;
        if (at < 0)
            return false;  // the head ends inside a comment or declaration
        i = at + (rest.startsWith(u"<!--") ? 3 : 1);
    }
    const QStringView rest = text.sliced(i);
    if (!rest.startsWith(u"<asx", Qt::CaseInsensitive))
        return false;
    return rest.size() == 4 || isSpace(rest[4]) || rest[4] == u'>' || rest[4] == u'/';
}

}  // namespace corvane::playlist
