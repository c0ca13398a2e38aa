// Windows-media metafiles: recognition, the lenient tag reader and how
// references become local paths.
#include "AsxParser.h"
#include "ListFixture.h"
#include "LocalRef.h"
#include "Playlist.h"

#include <sys/stat.h>

using namespace corvane::playlist;
using corvane::test::ListFolder;

class TestAsx : public QObject {
    Q_OBJECT
private slots:
    void recognition_data();
    void recognition();
    void caseAndQuoting_data();
    void caseAndQuoting();
    void scannerEdges();
    void base();
    void fallbackRefs();
    void nestedEntryRefWithCycle();
    void nestingDepthIsBounded();
    void windowsPathsAndFileUrls();
    void nonLocalReferencesSkipped();
    void capAtMaxTracks();
    void nonRegularFilesSkipped();
};

void TestAsx::recognition_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("kind");
    const int none = int(PlaylistKind::None), asx = int(PlaylistKind::Asx), m3u = int(PlaylistKind::M3u);
    QTest::newRow("upper") << "a.asx" << QByteArray("<ASX VERSION=\"3.0\">") << asx;
    QTest::newRow("lower, odd extension") << "a.wma" << QByteArray("<asx version=3>") << asx;
    QTest::newRow("bom decl comment") << "a.wvx"
        << QByteArray("\xEF\xBB\xBF \r\n<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<Asx>") << asx;
    QTest::newRow("utf-16le") << "a.wax" << QByteArray("\xFF\xFE<\0a\0S\0x\0>\0", 12) << asx;
    QTest::newRow("root name only") << "a.wmx" << QByteArray("<asx") << asx;
    QTest::newRow("extension alone") << "a.asx" << QByteArray("\x30\x26\xB2\x75\x8E\x66\xCF\x11") << none;
    QTest::newRow("text before root") << "a.asx" << QByteArray("hello <asx>") << none;
    QTest::newRow("longer tag name") << "a.asx" << QByteArray("<asxlist>") << none;
    QTest::newRow("unfinished comment") << "a.asx" << QByteArray("<!-- <asx>") << none;
    QTest::newRow("m3u header, any extension") << "a.asx" << QByteArray("#EXTM3U\n") << m3u;
    QTest::newRow("m3u extension") << "a.M3U" << QByteArray("") << m3u;
    QTest::newRow("m3u8 extension") << "dir.x/a.m3u8" << QByteArray("song.mp3") << m3u;
    QTest::newRow("asx content in .m3u") << "a.m3u" << QByteArray("<asx>") << asx;
    QTest::newRow("media") << "a.wav" << QByteArray("RIFF\0\0\0\0WAVE", 12) << none;
}

void TestAsx::recognition()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, head);
    QFETCH(int, kind);
    QCOMPARE(int(playlistKind(name, head)), kind);
    QCOMPARE(isPlaylist(name, head), kind != int(PlaylistKind::None));
}

void TestAsx::caseAndQuoting_data()
{
    QTest::addColumn<QByteArray>("asx");
    QTest::newRow("upper") << QByteArray(
        "<ASX VERSION=\"3.0\"><TITLE>t</TITLE><ENTRY><REF HREF=\"a.wav\"/></ENTRY>"
        "<ENTRY><REF HREF=\"b.wav\"/></ENTRY><ENTRY><REF HREF=\"c.wav\"/></ENTRY></ASX>");
    QTest::newRow("lower") << QByteArray(
        "<asx version=\"3.0\">\n<entry><ref href=\"a.wav\" /></entry>\n"
        "<entry><ref href=\"b.wav\" /></entry>\n<entry><ref href=\"c.wav\" /></entry>\n</asx>\n");
    QTest::newRow("mixed") << QByteArray(
        "<Asx Version=3><Entry><Ref HRef=\"a.wav\"></Ref></Entry>"
        "<eNtRy><rEf hReF=\"b.wav\"></eNtRy><ENTRY><Ref Href=\"c.wav\"/></entry></Asx>");
    QTest::newRow("quoting") << QByteArray(
        "<asx>\r\n<entry><ref href='a.wav'/></entry>\r\n<entry><ref href = b.wav></entry>\r\n"
        "<entry><ref href=c.wav/></entry></asx>");
    QTest::newRow("stray text and unknown tags") << QByteArray(
        "<asx>junk < 3 & more<author>x</author><entry><title>A & B</title><param name=x value=y>"
        "<ref href=\"a.wav\"/><moreinfo href=\"x.wav\"/></entry>text<banner href=\"c.wav\"/>"
        "<entry><ref href=\"b.wav\"/></entry><entry><ref href=\"c.wav\"/></entry></asx>");
}

void TestAsx::caseAndQuoting()
{
    QFETCH(QByteArray, asx);
    ListFolder dir;
    const QStringList want{dir.touch("a.wav"), dir.touch("b.wav"), dir.touch("c.wav"), dir.touch("x.wav")};
    QCOMPARE(readPlaylist(dir.write("list.asx", asx)), want.first(3));
}

void TestAsx::scannerEdges()
{
    const auto hrefs = [](QStringView text) {
        QStringList out;
        for (const AsxItem& item : parseAsx(text, 100).items)
            out += item.hrefs.join(u'|');
        return out;
    };
    // Commented-out and CDATA entries are not entries.
    QCOMPARE(hrefs(u"<asx><!-- <entry><ref href=a></entry> --><![CDATA[<entry><ref href=b>]]>"
                   u"<entry><ref href=c></entry></asx>"),
             QStringList{"c"});
    // Character references in values; the quote kind not used may appear inside.
    QCOMPARE(hrefs(u"<asx><entry><ref href=\"R&amp;B &#x4E2D;&#25991; it's.wav\"/></entry></asx>"),
             QStringList{u"R&B 中文 it's.wav"_qs});
    QCOMPARE(decodeXmlEntities(u"&bogus; &#0; &#xD800; &#99999999; &lt;&#65;"), u"&bogus; &#0; &#xD800; &#99999999; <A"_qs);
    // A tag cut off by the end of the text is dropped, an unclosed one ends at the next '<'.
    QCOMPARE(hrefs(u"<asx><entry><ref href=a <ref href=b></entry><entry><ref href=\"c"), (QStringList{"a|b", ""}));
    // REF outside an ENTRY and ENTRY without REF give no reference.
    QCOMPARE(hrefs(u"<asx><ref href=x><entry/><entry></entry></asx>"), (QStringList{"", ""}));
    // The item cap holds for huge inputs.
    QCOMPARE(parseAsx(QString(u"<entry><ref href=a>"_qs).repeated(500), 10).items.size(), 5);
}

void TestAsx::base()
{
    ListFolder dir;
    const QString a = dir.touch("media/a.wav");
    const QString b = dir.touch("other/b.wav");
    const QString c = dir.touch("c.wav");
    // Document BASE relative to the metafile's folder; an ENTRY's own BASE
    // wins inside that ENTRY; absolute references ignore any BASE.
    const QString list = dir.write("lists/l.asx",
        "<asx><base href=\"../media/\"/><entry><ref href=a.wav></entry>"
        "<entry><base href=\"file://" + dir.path("other").toUtf8() + "\"><ref href=b.wav></entry>"
        "<entry><ref href=\"" + c.toUtf8() + "\"></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{a, b, c}));
    // A remote BASE makes relative references remote: only absolute ones stay.
    dir.write("lists/c.wav", "x");
    const QString remote = dir.write("lists/r.asx",
        "<asx><base href=\"http://127.0.0.1:9/media/\"/><entry><ref href=c.wav></entry>"
        "<entry><ref href=\"" + a.toUtf8() + "\"></entry></asx>");
    QCOMPARE(readPlaylist(remote), QStringList{a});
    // A BASE that cannot name a place here (a drive letter) is ignored.
    const QString drive = dir.write("media/d.asx", "<asx><base href=\"C:\\Music\\\"/><entry><ref href=a.wav></entry></asx>");
    QCOMPARE(readPlaylist(drive), QStringList{a});
}

void TestAsx::fallbackRefs()
{
    ListFolder dir;
    const QString a = dir.touch("a.wav");
    const QString b = dir.touch("b.wav");
    dir.write("empty.asx", "<asx></asx>");
    const QString list = dir.write("l.asx",
        "<asx>"
        "<entry><ref href=missing.wav><ref href=http://127.0.0.1:9/a.wav><ref href=a.wav><ref href=b.wav></entry>"
        "<entry><ref href=b.wav><ref href=a.wav></entry>"
        "<entry><ref href=gone.wav><ref href=also-gone.wav></entry>"
        "<entry><ref href=empty.asx><ref href=a.wav></entry>"
        "</asx>");
    // Fallbacks only when the earlier REFs give nothing; a list with no
    // tracks counts as missing; an ENTRY with nothing usable is skipped.
    QCOMPARE(readPlaylist(list), (QStringList{a, b, a}));
}

void TestAsx::nestedEntryRefWithCycle()
{
    ListFolder dir;
    const QString t1 = dir.touch("t1.wav"), t2 = dir.touch("sub/t2.wav"), t3 = dir.touch("sub/t3.wav"),
                  t4 = dir.touch("t4.wav"), t5 = dir.touch("t5.wav");
    // outer -> inner -> outer (cut), inner -> itself (cut); inner's relative
    // references are relative to inner's folder.
    const QString outer = dir.write("outer.asx",
        "<asx><entry><ref href=t1.wav></entry><entryref href=\"sub\\inner.wvx\"/>"
        "<entry><ref href=t4.wav></entry><ENTRYREF HREF=\"list.m3u\"/></asx>");
    dir.write("sub/inner.wvx",
        "<asx><entry><ref href=t2.wav></entry><entryref href=../outer.asx>"
        "<entryref href=inner.wvx><entry><ref href=t3.wav></entry></asx>");
    dir.write("list.m3u", "t5.wav\nouter.asx\n");
    QCOMPARE(readPlaylist(outer), (QStringList{t1, t2, t3, t4, t5}));
    // The same list twice in a row is no cycle.
    const QString twice = dir.write("twice.asx", "<asx><entryref href=list.m3u><entryref href=list.m3u></asx>");
    QCOMPARE(readPlaylist(twice), (QStringList{t5, t1, t2, t3, t4, t5, t1, t2, t3, t4}));
}

void TestAsx::nestingDepthIsBounded()
{
    ListFolder dir;
    QStringList tracks;
    // l0 names l1 names ... l6; each has one track of its own first.
    for (int i = 0; i <= 6; ++i) {
        tracks += dir.touch(QString("t%1.wav").arg(i));
        dir.write(QString("l%1.asx").arg(i),
                  QString("<asx><entry><ref href=t%1.wav></entry><entryref href=l%2.asx></asx>").arg(i).arg(i + 1).toUtf8());
    }
    QCOMPARE(readPlaylist(dir.path("l0.asx")), tracks.first(kMaxNesting + 1));
}

void TestAsx::windowsPathsAndFileUrls()
{
    ListFolder dir;
    const QString clip = dir.touch("subdir/clip.wav");
    const QString spaced = dir.touch("a b/中文 c.wav");
    const QString list = dir.write("w.asx",
        "<asx><entry><ref href=\"subdir\\clip.wav\"/></entry>"
        "<entry><ref href=\".\\subdir\\..\\subdir\\clip.wav\"/></entry>"
        "<entry><ref href=\"file://" + dir.root().toUtf8() + "/a%20b/%E4%B8%AD%E6%96%87%20c.wav\"/></entry>"
        "<entry><ref href=\"FILE://localhost" + clip.toUtf8() + "#t=3\"/></entry>"
        "<entry><ref href=\"a%20b/中文 c.wav\"/></entry>"
        "<entry><ref href=\"C:\\subdir\\clip.wav\"/><ref href=\"\\\\server\\share\\clip.wav\"/>"
        "<ref href=\"file://server/" + clip.toUtf8() + "\"/><ref href=\"file:///C:/subdir/clip.wav\"/></entry>"
        "</asx>");
    QCOMPARE(readPlaylist(list), (QStringList{clip, clip, spaced, clip, spaced}));

    const RefBase base{false, "/music"};
    QCOMPARE(resolveRef(u"..\\x\\y.wav"_qs, base).path, u"/x/y.wav"_qs);
    QCOMPARE(int(resolveRef(u"//host/x.wav"_qs, base).kind), int(LocalRef::Kind::Remote));
    QCOMPARE(int(resolveRef(u"d:x.wav"_qs, base).kind), int(LocalRef::Kind::Unusable));
    QCOMPARE(int(resolveRef(u"file:///a%00b.wav"_qs, base).kind), int(LocalRef::Kind::Unusable));
    QCOMPARE(resolveRef(u"file:rel.wav"_qs, base).path, u"/music/rel.wav"_qs);
    // Found by the M3U fuzzer: names climbing above the root stay clean.
    QCOMPARE(resolveRef(u"../../../x.wav"_qs, base).path, u"/x.wav"_qs);
    QCOMPARE(resolveRef(u"/../tmp/a.wav"_qs, base).path, u"/tmp/a.wav"_qs);
    QCOMPARE(resolveRef(u"file:///.."_qs, base).path, u"/"_qs);
}

void TestAsx::nonLocalReferencesSkipped()
{
    ListFolder dir;
    const QString a = dir.touch("a.wav"), b = dir.touch("b.wav");
    // Folders named like the remote references exist, so a reader that took
    // the URLs for paths would list them.
    dir.touch("http:/127.0.0.1:9/a.wav");
    dir.touch("mms:/host/a.wav");
    const QString list = dir.write("n.asx",
        "<asx><entry><ref href=a.wav></entry>"
        "<entry><ref href=\"http://127.0.0.1:9/a.wav\"></entry><entryref href=\"HTTPS://127.0.0.1:9/l.asx\">"
        "<entry><ref href=\"mms://host/a.wav\"></entry><entry><ref href=\"rtsp://host/a.wav\"></entry>"
        "<entry><ref href=b.wav></entry></asx>");
    QCOMPARE(readPlaylist(list), (QStringList{a, b}));
    for (const char* url : {"http://h/x", "https://h/x", "mms://h/x", "rtsp://h/x", "ftp://h/x", "smb://h/x", "x-y+z.w://h"})
        QCOMPARE(int(resolveRef(QString::fromLatin1(url), RefBase{false, "/"}).kind), int(LocalRef::Kind::Remote));
}

void TestAsx::capAtMaxTracks()
{
    ListFolder dir;
    const QStringList files{dir.touch("0.wav"), dir.touch("1.wav"), dir.touch("2.wav")};
    QByteArray asx = "<asx>";
    for (int i = 0; i < 5000; ++i)
        asx += "<entry><ref href=" + QByteArray::number(i % 3) + ".wav></entry>\n";
    const QStringList tracks = readPlaylist(dir.write("big.asx", asx + "</asx>"));
    QCOMPARE(tracks.size(), kMaxTracks);
    QCOMPARE(kMaxTracks, 1000);
    for (int i : {0, 1, 2, 500, 999})
        QCOMPARE(tracks[i], files[i % 3]);
    QCOMPARE(readPlaylist(dir.path("big.asx"), 2), files.first(2));
    QVERIFY(readPlaylist(dir.path("big.asx"), 0).isEmpty());
}

void TestAsx::nonRegularFilesSkipped()
{
    ListFolder dir;
    const QString a = dir.touch("a.wav");
    QDir().mkpath(dir.path("folder.wav"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.path("pipe.wav")).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(dir.path("pipe.asx")).constData(), 0600), 0);
    // Opening a pipe would block for ever.
    const QString list = dir.write("s.asx",
        "<asx><entry><ref href=folder.wav><ref href=pipe.wav><ref href=/dev/null><ref href=a.wav></entry>"
        "<entryref href=pipe.asx></asx>");
    QCOMPARE(readPlaylist(list), QStringList{a});
    QVERIFY(readPlaylist(dir.path("pipe.asx")).isEmpty());
    QVERIFY(!isPlaylistFile(dir.path("pipe.asx")));
    QVERIFY(readPlaylist(dir.path("nothing-here.asx")).isEmpty());
}

QTEST_GUILESS_MAIN(TestAsx)
#include "tst_playlist_asx.moc"
