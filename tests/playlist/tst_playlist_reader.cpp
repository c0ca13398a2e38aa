// The list reader alone: recognition, the lenient ASX reader, M3U text and
// how references become local paths. Stand-in media files only exist.
#include "LocalRef.h"
#include "Playlist.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace corvane::playlist;

namespace {

struct Folder {
    QTemporaryDir dir;
    QString path(const QString& rel) const { return QDir::cleanPath(dir.path() + u'/' + rel); }
    QString write(const QString& rel, const QByteArray& bytes) const
    {
        const QString p = path(rel);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }
    QString touch(const QString& rel) const { return write(rel, "RIFF"); }
};

} // namespace

class TstPlaylistReader : public QObject {
    Q_OBJECT
private slots:
    void recognition();
    void asxCaseQuotingAndStrayText();
    void asxBase();
    void asxFallbackRefs();
    void nestedListsWithCycles();
    void windowsPathsUrlsAndOtherSchemes();
    void m3uUtf8AndGbk();
    void pipesAndFoldersSkipped();
};

void TstPlaylistReader::recognition()
{
    const auto kind = [](const char* name, const QByteArray& head) { return playlistKind(name, head); };
    QCOMPARE(kind("a.wma", "<asx version=3>"), PlaylistKind::Asx);  // content decides, in any case
    QCOMPARE(kind("a.asx", "\x30\x26\xB2\x75\x8E\x66\xCF\x11"), PlaylistKind::None);  // never the extension alone
    QCOMPARE(kind("a.asx", "<asxlist>"), PlaylistKind::None);
    QCOMPARE(kind("a.M3U", ""), PlaylistKind::M3u);
}

void TstPlaylistReader::asxCaseQuotingAndStrayText()
{
    Folder d;
    const QStringList want{d.touch("a.wav"), d.touch("b.wav"), d.touch("c.wav"), d.touch("R&B 中.wav")};
    d.touch("x.wav");
    const QString list = d.write("l.asx",
        "<Asx Version=3>junk < 3 & more<!-- <entry><ref href=x.wav></entry> --><ENTRY><REF HREF=\"a.wav\"/></ENTRY>"
        "<eNtRy><title>A & B</title><param name=x value=y><rEf hReF='b.wav'><moreinfo href=x.wav/></eNtRy>"
        "<banner href=x.wav/><entry><ref href = c.wav></entry><entry><ref href=\"R&amp;B &#x4E2D;.wav\"/></entry>"
        "</asx><entry><ref href=\"x.wav");  // a tag cut off by the end is dropped
    QCOMPARE(readPlaylist(list), want);
}

void TstPlaylistReader::asxBase()
{
    Folder d;
    const QString a = d.touch("media/a.wav"), b = d.touch("other/b.wav"), c = d.touch("c.wav");
    // Document BASE relative to the list's folder; an ENTRY's own BASE wins
    // inside it; absolute references ignore any BASE.
    const QString list = d.write("lists/l.asx",
        "<asx><base href=\"../media/\"/><entry><ref href=a.wav></entry>"
        "<entry><base href=\"file://" + d.path("other").toUtf8() + "\"><ref href=b.wav></entry>"
        "<entry><ref href=\"" + c.toUtf8() + "\"></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{a, b, c}));
    // A remote BASE makes relative references remote: only absolute ones stay.
    d.touch("lists/c.wav");
    const QString remote = d.write("lists/r.asx",
        "<asx><base href=\"http://127.0.0.1:9/media/\"/><entry><ref href=c.wav></entry>"
        "<entry><ref href=\"" + a.toUtf8() + "\"></entry></asx>");
    QCOMPARE(readPlaylist(remote), QStringList{a});
}

void TstPlaylistReader::asxFallbackRefs()
{
    Folder d;
    const QString a = d.touch("a.wav"), b = d.touch("b.wav");
    d.write("empty.asx", "<asx></asx>");
    // Later REFs only when the earlier give nothing (missing, remote, a list
    // without tracks); an ENTRY with nothing usable is skipped.
    const QString list = d.write("l.asx",
        "<asx><entry><ref href=missing.wav><ref href=http://127.0.0.1:9/a.wav><ref href=a.wav><ref href=b.wav></entry>"
        "<entry><ref href=b.wav><ref href=a.wav></entry><entry><ref href=gone.wav></entry>"
        "<entry><ref href=empty.asx><ref href=a.wav></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{a, b, a}));
}

void TstPlaylistReader::nestedListsWithCycles()
{
    Folder d;
    const QString t1 = d.touch("t1.wav"), t2 = d.touch("sub/t2.wav"), t3 = d.touch("sub/t3.wav"),
                  t4 = d.touch("t4.wav"), t5 = d.touch("t5.wav");
    // outer -> inner -> outer (cut), inner -> itself (cut); inner's relative
    // references are relative to its own folder; lists of either kind nest.
    const QString outer = d.write("outer.asx",
        "<asx><entry><ref href=t1.wav></entry><entryref href=\"sub\\inner.wvx\"/>"
        "<entry><ref href=t4.wav></entry><ENTRYREF HREF=\"list.m3u\"/></asx>");
    d.write("sub/inner.wvx", "<asx><entry><ref href=t2.wav></entry><entryref href=../outer.asx>"
                             "<entryref href=inner.wvx><entry><ref href=t3.wav></entry></asx>");
    d.write("list.m3u", "t5.wav\nouter.asx\n");
    QCOMPARE(readPlaylist(outer), (QStringList{t1, t2, t3, t4, t5}));
    // The same list twice in a row is no cycle.
    const QString twice = d.write("twice.asx", "<asx><entryref href=list.m3u><entryref href=list.m3u></asx>");
    QCOMPARE(readPlaylist(twice), (QStringList{t5, t1, t2, t3, t4, t5, t1, t2, t3, t4}));
}

void TstPlaylistReader::windowsPathsUrlsAndOtherSchemes()
{
    Folder d;
    const QString clip = d.touch("subdir/clip.wav"), spaced = d.touch("a b/中文 c.wav");
    // Folders named like the remote references exist, so a reader that took
    // URLs for paths would list them.
    d.touch("http:/127.0.0.1:9/clip.wav");
    d.touch("mms:/host/clip.wav");
    const QString list = d.write("w.asx",
        "<asx><entry><ref href=\".\\subdir\\..\\subdir\\clip.wav\"/></entry>"
        "<entry><ref href=\"file://" + d.dir.path().toUtf8() + "/a%20b/%E4%B8%AD%E6%96%87%20c.wav\"/></entry>"
        "<entry><ref href=\"FILE://localhost" + clip.toUtf8() + "#t=3\"/></entry>"
        "<entry><ref href=\"http://127.0.0.1:9/clip.wav\"></entry><entry><ref href=\"mms://host/clip.wav\"></entry>"
        "<entry><ref href=\"C:\\subdir\\clip.wav\"/><ref href=\"\\\\server\\share\\clip.wav\"/>"
        "<ref href=\"file://server/" + clip.toUtf8() + "\"/></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{clip, spaced, clip}));
    const RefBase base{false, "/music"};
    QCOMPARE(resolveRef(u"../../../x.wav"_qs, base).path, u"/x.wav"_qs);  // found by the fuzzer
    for (const char* url : {"https://h/x", "rtsp://h/x", "ftp://h/x", "x-y+z.w://h", "//host/x.wav"})
        QCOMPARE(resolveRef(QString::fromLatin1(url), base).kind, LocalRef::Kind::Remote);
}

void TstPlaylistReader::m3uUtf8AndGbk()
{
    Folder d;
    const QString a = d.touch(u"歌曲/春天.wav"_qs), b = d.touch(u"夏天 里.mp3"_qs);
    // Comments, #EXTINF, blank lines and CR endings; relative to the list's folder.
    const QString text = u"#EXTM3U\r\n#EXTINF:5,春天\r\n\r\n  歌曲\\春天.wav  \r\n# 夏天 里.mp3\n夏天 里.mp3\n"_qs;
    QStringEncoder gbk("GB18030");
    const QByteArray gbkBytes = gbk.encode(text);
    QCOMPARE(readPlaylist(d.write(u"列表.m3u"_qs, gbkBytes)), (QStringList{a, b}));
    QCOMPARE(readPlaylist(d.write("utf8.m3u", text.toUtf8())), (QStringList{a, b}));
    QCOMPARE(readPlaylist(d.write("utf8.m3u8", text.toUtf8())), (QStringList{a, b}));
    // .m3u8 is UTF-8 whatever the bytes: GBK names there find nothing.
    QVERIFY(readPlaylist(d.write("gbk.m3u8", gbkBytes)).isEmpty());
}

void TstPlaylistReader::pipesAndFoldersSkipped()
{
    Folder d;
    const QString a = d.touch("a.wav");
    QDir().mkpath(d.path("folder.wav"));
    QCOMPARE(::mkfifo(QFile::encodeName(d.path("pipe.wav")).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(d.path("pipe.asx")).constData(), 0600), 0);
    // Opening a pipe would block for ever.
    const QString list = d.write("s.asx", "<asx><entry><ref href=folder.wav><ref href=pipe.wav><ref href=/dev/null>"
                                          "<ref href=a.wav></entry><entryref href=pipe.asx></asx>");
    QCOMPARE(readPlaylist(list), QStringList{a});
    QVERIFY(!isPlaylistFile(d.path("pipe.asx")));
}

QTEST_GUILESS_MAIN(TstPlaylistReader)
#include "tst_playlist_reader.moc"
