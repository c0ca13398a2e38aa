#include "M3uParser.h"

namespace corvane::playlist {

QStringList parseM3u(QStringView text, int maxItems)
{
    QStringList refs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && refs.size() < maxItems) {
        qsizetype end = i;
        while (end < n && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = text.sliced(i, end - i).trimmed();
        if (!line.isEmpty() && line.front() != u'#')
            refs.append(line.toString());
        i = end + 1;
    }
    return refs;
}

bool startsWithM3uHeader(QStringView text) { return text.trimmed().startsWith(u"#EXTM3U", Qt::CaseInsensitive); }

}  // namespace corvane::playlist
