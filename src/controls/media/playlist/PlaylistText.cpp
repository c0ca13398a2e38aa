#include "PlaylistText.h"

#include <QStringDecoder>

namespace corvane::playlist {

namespace {

bool startsWith(QByteArrayView bytes, const char* prefix, qsizetype n)
{
    return bytes.size() >= n && bytes.first(n) == QByteArrayView(prefix, n);
}

QString decodeWith(QStringDecoder decoder, QByteArrayView bytes) { return decoder.decode(bytes); }

}  // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        unsigned lowest = 0;
        unsigned cp = 0;
        if ((c & 0xE0) == 0xC0) {
            follow = 1;
            lowest = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            follow = 2;
            lowest = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            follow = 3;
            lowest = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i <= follow)
            return false;
        for (int k = 1; k <= follow; ++k) {
            const unsigned char f = p[i + k];
            if ((f & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (f & 0x3F);
        }
        if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += follow + 1;
    }
    return true;
}

QByteArray xmlDeclaredEncoding(QByteArrayView bytes)
{
    const QByteArrayView head = bytes.first(std::min<qsizetype>(bytes.size(), 512)).trimmed();
    const qsizetype close = head.indexOf("?>");
    if (!head.startsWith("<?xml") || close < 0)
        return {};
    const QByteArrayView decl = head.first(close);
    qsizetype i = decl.indexOf("encoding");
    if (i < 0)
        return {};
    i += 8;
    while (i < decl.size() && (decl[i] == ' ' || decl[i] == '=' || decl[i] == '\t'))
        ++i;
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
        return {};
    const qsizetype end = decl.indexOf(decl[i], i + 1);
    return end < 0 ? QByteArray() : decl.sliced(i + 1, end - i - 1).toByteArray();
}

std::optional<QString> decodeByBytes(QByteArrayView bytes, bool forceUtf8, bool xml)
{
    if (startsWith(bytes, "\xEF\xBB\xBF", 3))
        return decodeWith(QStringDecoder(QStringConverter::Utf8), bytes.sliced(3));
    if (startsWith(bytes, "\xFF\xFE", 2))
        return decodeWith(QStringDecoder(QStringConverter::Utf16LE), bytes.sliced(2));
    if (startsWith(bytes, "\xFE\xFF", 2))
        return decodeWith(QStringDecoder(QStringConverter::Utf16BE), bytes.sliced(2));
    const QByteArray declared = xml ? xmlDeclaredEncoding(bytes) : QByteArray();
    // A declaration read in ASCII cannot be right to name a 16- or 32-bit form.
    if (!declared.isEmpty() && !declared.toLower().startsWith("utf-16") && !declared.toLower().startsWith("utf-32")) {
        QStringDecoder named(declared.constData());
        if (named.isValid())
            return decodeWith(std::move(named), bytes);
    }
    if (forceUtf8 || isValidUtf8(bytes))
        return decodeWith(QStringDecoder(QStringConverter::Utf8), bytes);
    return std::nullopt;
}

QStringList codePageReadings(QByteArrayView bytes)
{
    QStringList readings;
    QStringDecoder chinese("GB18030");
    if (chinese.isValid())
        readings.append(chinese.decode(bytes));
    // ISO-8859-1 where the platform has no Windows-1252: the same letters.
    QStringDecoder western("windows-1252");
    readings.append(western.isValid() ? western.decode(bytes)
                                      : decodeWith(QStringDecoder(QStringConverter::Latin1), bytes));
    return readings;
}

QString decodeListText(QByteArrayView bytes, bool forceUtf8)
{
    std::optional<QString> text = decodeByBytes(bytes, forceUtf8);
    return text ? *std::move(text) : codePageReadings(bytes).front();
}

}  // namespace corvane::playlist
