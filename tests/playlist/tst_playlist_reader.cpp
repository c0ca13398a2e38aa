// The list reader alone, over stand-in media files: recognition, ASX, M3U, references.
#include "LocalRef.h"
#include "Playlist.h"
#include "TestFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace corvane::playlist;

// A folder of stand-in files; "$DIR" in what is written becomes its path.
struct Folder {
    QTemporaryDir dir;
    QString path(const QString& rel) const { return QDir::cleanPath(dir.path() + u'/' + rel); }
    QString write(const QString& rel, const QByteArray& bytes) const
    {
        return corvane::test::writeFile(dir.path(), rel, QByteArray(bytes).replace("$DIR", dir.path().toUtf8()));
    }
    QString touch(const QString& rel) const { return write(rel, "RIFF"); }
};

class TstPlaylistReader : public QObject {
    Q_OBJECT
private slots:
    void recognitionAsxSyntaxAndM3uText();
    void codePages();
    void asxBaseAndFallbacks();
    void nestedListsAndReferences();
};

// Content decides, in any case, never the extension alone; tags and
// attributes in any case and quoting, stray text, comments, entities; M3U
// text in GBK or UTF-8.
void TstPlaylistReader::recognitionAsxSyntaxAndM3uText()
{
    QCOMPARE(playlistKind("a.wma", "<asx version=3>"), PlaylistKind::Asx);
    QCOMPARE(playlistKind("a.asx", "\x30\x26\xB2\x75\x8E\x66\xCF\x11"), PlaylistKind::None);
    Folder d;
    const QStringList want{d.touch("a.wav"), d.touch("b.wav"), d.touch("c.wav"), d.touch("R&B 中.wav")};
    d.touch("x.wav");
    const QString list = d.write(
            "l.asx",
            "<Asx Version=3>junk < 3 & more<!-- <entry><ref href=x.wav></entry> --><ENTRY><REF HREF=\"a.wav\"/></ENTRY>"
            "<eNtRy><title>A & B</title><param name=x value=y><rEf hReF='b.wav'><moreinfo href=x.wav/></eNtRy>"
            "<banner href=x.wav/><entry><ref href = c.wav></entry><entry><ref href=\"R&amp;B &#x4E2D;.wav\"/></entry>"
            "</asx><entry><ref href=\"x.wav");  // a tag cut off by the end is dropped
    QCOMPARE(readPlaylist(list), want);

    const QString a = d.touch(u"歌曲/春天.wav"_qs), b = d.touch(u"夏天 里.mp3"_qs);
    // Comments, #EXTINF, blank lines and CR endings; relative to the list's folder.
    const QString text = u"#EXTM3U\r\n#EXTINF:5,春天\r\n\r\n  歌曲\\春天.wav  \r\n# 夏天 里.mp3\n夏天 里.mp3\n"_qs;
    const QByteArray gbkBytes = QStringEncoder("GB18030").encode(text);
    for (const auto& [name, bytes] :
         {std::pair{u"列表.m3u"_qs, gbkBytes}, {u"utf8.m3u"_qs, text.toUtf8()}, {u"utf8.m3u8"_qs, text.toUtf8()}})
        QCOMPARE(readPlaylist(d.write(name, bytes)), (QStringList{a, b}));
    // .m3u8 is UTF-8 whatever the bytes: GBK names there find nothing.
    QVERIFY(readPlaylist(d.write("gbk.m3u8", gbkBytes)).isEmpty());
}

void TstPlaylistReader::codePages()
{
    Folder d;
    // Other code pages: the reading whose names exist wins, the Chinese one
    // on a tie (C4 E3 is 你 there, Äã in Windows-1252); an ASX's declaration decides.
    const QString cafe = d.touch(u"café.wav"_qs), a = d.touch("a.wav"), ni = d.touch(u"你.wav"_qs),
                  ae = d.touch(u"Äã.wav"_qs);
    QCOMPARE(readPlaylist(d.write("latin.m3u", "#EXTM3U\ncaf\xe9.wav\na.wav\n")), (QStringList{cafe, a}));
    const QByteArray asx = "?><asx><entry><ref href=\"\xc4\xe3.wav\"/></entry></asx>";
    QCOMPARE(readPlaylist(d.write("tie.asx", "<?xml version='1.0'" + asx)), QStringList{ni});
    QCOMPARE(readPlaylist(d.write("cp.asx", "<?xml version='1.0' encoding='windows-1252'" + asx)), QStringList{ae});
}

// BASE, later REFs as fallbacks, and what is no file: folders, pipes, devices.
void TstPlaylistReader::asxBaseAndFallbacks()
{
    Folder d;
    const QString a = d.touch("media/a.wav"), b = d.touch("other/b.wav"), c = d.touch("c.wav");
    // Document BASE relative to the list's folder; an ENTRY's own BASE wins
    // inside it; absolute references ignore any BASE.
    const QString list = d.write("lists/l.asx",
                                 "<asx><base href=\"../media/\"/><entry><ref href=a.wav></entry>"
                                 "<entry><base href=\"file://$DIR/other\"><ref href=b.wav></entry>"
                                 "<entry><ref href=\"$DIR/c.wav\"></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{a, b, c}));
    // A remote BASE makes relative references remote: only absolute ones stay.
    d.touch("lists/c.wav");
    const QString remote = d.write("lists/r.asx",
                                   "<asx><base href=\"http://127.0.0.1:9/media/\"/><entry><ref href=c.wav></entry>"
                                   "<entry><ref href=\"$DIR/media/a.wav\"></entry></asx>");
    QCOMPARE(readPlaylist(remote), QStringList{a});

    const QString b2 = d.touch("b.wav");
    d.write("empty.asx", "<asx></asx>");
    // Later REFs only when the earlier give nothing (missing, remote, a list
    // without tracks); an ENTRY with nothing usable is skipped.
    const QString fallbacks = d.write(
            "f.asx",
            "<asx><entry><ref href=missing.wav><ref href=http://127.0.0.1:9/a.wav><ref href=c.wav><ref href=b.wav></entry>"
            "<entry><ref href=b.wav><ref href=c.wav></entry><entry><ref href=gone.wav></entry>"
            "<entry><ref href=empty.asx><ref href=c.wav></entry></asx>");
    QCOMPARE(readPlaylist(fallbacks), (QStringList{c, b2, c}));
    // Opening a pipe would block for ever.
    QDir().mkpath(d.path("folder.wav"));
    for (const char* pipe : {"pipe.wav", "pipe.asx"})
        QCOMPARE(::mkfifo(QFile::encodeName(d.path(pipe)).constData(), 0600), 0);
    const QString special = d.write("s.asx",
                                    "<asx><entry><ref href=folder.wav><ref href=pipe.wav><ref href=/dev/null>"
                                    "<ref href=c.wav></entry><entryref href=pipe.asx></asx>");
    QCOMPARE(readPlaylist(special), QStringList{c});
    QVERIFY(!isPlaylistFile(d.path("pipe.asx")));
}

void TstPlaylistReader::nestedListsAndReferences()
{
    Folder d;
    const QString t1 = d.touch("t1.wav"), t2 = d.touch("sub/t2.wav"), t3 = d.touch("sub/t3.wav"),
                  t4 = d.touch("t4.wav"), t5 = d.touch("t5.wav");
    // outer -> inner -> outer (cut), inner -> itself (cut); inner's relative
    // references are relative to its own folder; lists of either kind nest.
    const QString outer = d.write("outer.asx",
                                  "<asx><entry><ref href=t1.wav></entry><entryref href=\"sub\\inner.wvx\"/>"
                                  "<entry><ref href=t4.wav></entry><ENTRYREF HREF=\"list.m3u\"/></asx>");
    d.write("sub/inner.wvx",
            "<asx><entry><ref href=t2.wav></entry><entryref href=../outer.asx>"
            "<entryref href=inner.wvx><entry><ref href=t3.wav></entry></asx>");
    d.write("list.m3u", "t5.wav\nouter.asx\n");
    QCOMPARE(readPlaylist(outer), (QStringList{t1, t2, t3, t4, t5}));

    // Windows paths, file URLs, remote and other schemes.
    const QString clip = d.touch("subdir/clip.wav"), spaced = d.touch("a b/中文 c.wav");
    // Folders named like the remote references exist, so a reader that took
    // URLs for paths would list them.
    for (const char* f : {"http:/127.0.0.1:9/clip.wav", "mms:/host/clip.wav"})
        d.touch(f);
    const QString refs = d.write(
            "w.asx",
            "<asx><entry><ref href=\".\\subdir\\..\\subdir\\clip.wav\"/></entry>"
            "<entry><ref href=\"file://$DIR/a%20b/%E4%B8%AD%E6%96%87%20c.wav\"/></entry>"
            "<entry><ref href=\"FILE://localhost$DIR/subdir/clip.wav#t=3\"/></entry>"
            "<entry><ref href=\"http://127.0.0.1:9/clip.wav\"></entry><entry><ref href=\"mms://host/clip.wav\"></entry>"
            "<entry><ref href=\"C:\\subdir\\clip.wav\"/><ref href=\"\\\\server\\share\\clip.wav\"/>"
            "<ref href=\"file://server/$DIR/subdir/clip.wav\"/></entry></asx>");
    QCOMPARE(readPlaylist(refs), (QStringList{clip, spaced, clip}));
    const RefBase base{false, "/music"};
    QCOMPARE(resolveRef(u"../../../x.wav"_qs, base).path, u"/x.wav"_qs);  // found by the fuzzer
    for (const char* url : {"https://h/x", "rtsp://h/x", "ftp://h/x", "x-y+z.w://h", "//host/x.wav"})
        QCOMPARE(resolveRef(QString::fromLatin1(url), base).kind, LocalRef::Kind::Remote);
}

QTEST_GUILESS_MAIN(TstPlaylistReader)
#include "tst_playlist_reader.moc"
