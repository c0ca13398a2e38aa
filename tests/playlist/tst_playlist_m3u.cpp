// M3U lists: text encodings, line handling, lists inside lists, limits, and
// the replay of the fuzzing inputs kept in the tree.
#include "AsxParser.h"
#include "ListFixture.h"
#include "M3uParser.h"
#include "Playlist.h"
#include "PlaylistText.h"

#include <QDirIterator>
#include <QStringEncoder>

using namespace corvane::playlist;
using corvane::test::ListFolder;

namespace {

QByteArray gbk(const QString& text)
{
    QStringEncoder enc("GB18030");
    QByteArray bytes = enc.encode(text);
    if (!enc.isValid() || enc.hasError())
        qFatal("no GB18030 encoder");
    return bytes;
}

} // namespace

class TestM3u : public QObject {
    Q_OBJECT
private slots:
    void utf8ChineseNames();
    void gbkChineseNames();
    void textDecoding();
    void linesAndComments();
    void listsInsideLists();
    void emptyAndGarbage_data();
    void emptyAndGarbage();
    void capAtMaxTracks();
    void truncatedBigList();
    void fuzzInputsReplay();
};

void TestM3u::utf8ChineseNames()
{
    ListFolder dir;
    const QString a = dir.touch(u"音乐/第一首.mp3"_qs);
    const QString b = dir.touch(u"音乐/第二首.wav"_qs);
    const QByteArray list = (u"#EXTM3U\n#EXTINF:123,歌手 - 第一首\n音乐/第一首.mp3\n"
                             u"#EXTINF:-1,第二首\n音乐\\第二首.wav\n"_qs).toUtf8();
    QCOMPARE(readPlaylist(dir.write("list.m3u8", list)), (QStringList{a, b}));
    // Valid UTF-8 in a plain .m3u is UTF-8 too.
    QCOMPARE(readPlaylist(dir.write("list.m3u", list)), (QStringList{a, b}));
}

void TestM3u::gbkChineseNames()
{
    ListFolder dir;
    const QString a = dir.touch(u"歌曲/春天.wav"_qs);
    const QString b = dir.touch(u"夏天 里.mp3"_qs);
    const QByteArray list = gbk(u"#EXTM3U\r\n#EXTINF:5,春天\r\n歌曲\\春天.wav\r\n夏天 里.mp3\r\n"_qs);
    QVERIFY(!isValidUtf8(list));
    QCOMPARE(readPlaylist(dir.write(u"列表.m3u"_qs, list)), (QStringList{a, b}));
}

void TestM3u::textDecoding()
{
    QCOMPARE(decodeListText("\xEF\xBB\xBF#EXTM3U"), u"#EXTM3U"_qs);
    QCOMPARE(decodeListText(QByteArray("\xFE\xFF\0a\x4E\x2D", 6)), u"a中"_qs);
    QCOMPARE(decodeListText(QByteArray("\xD6\xD0")), u"中"_qs);
    // .m3u8 stays UTF-8 even where the bytes are not.
    QCOMPARE(decodeListText(QByteArray("\xD6\xD0"), true), QString(QChar::ReplacementCharacter));
    QVERIFY(isValidUtf8("plain \xE4\xB8\xAD \xF0\x9F\x8E\xB5"));
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE4\xB8", "\x80", "\xF8\x88\x80\x80\x80"})
        QVERIFY2(!isValidUtf8(bad), bad);
}

void TestM3u::linesAndComments()
{
    QCOMPARE(parseM3u(u"#EXTM3U\r\n\r\n  a.mp3  \r#comment\nb.mp3\n\n# c.mp3\nc.mp3"_qs, 100),
             (QStringList{"a.mp3", "b.mp3", "c.mp3"}));
    QCOMPARE(parseM3u(u"a\nb\nc\nd"_qs, 2), (QStringList{"a", "b"}));
    ListFolder dir;
    const QString a = dir.touch("a.mp3"), b = dir.touch("sub/b.mp3");
    const QString list = dir.write("sub/l.m3u",
        "../a.mp3\nhttp://127.0.0.1:9/a.mp3\nmissing.mp3\n" + a.toUtf8() + "\nfile://" + b.toUtf8() + "\n\nb.mp3\n");
    QCOMPARE(readPlaylist(list), (QStringList{a, a, b, b}));
}

void TestM3u::listsInsideLists()
{
    ListFolder dir;
    const QString a = dir.touch("a.mp3"), b = dir.touch("in/b.mp3"), c = dir.touch("c.mp3");
    dir.write("in/inner.m3u8", "b.mp3\n../outer.m3u\n");
    dir.write("in/x.asx", "<asx><entry><ref href=b.mp3></entry></asx>");
    const QString outer = dir.write("outer.m3u", "#EXTM3U\na.mp3\nin/inner.m3u8\nin/x.asx\nouter.m3u\nc.mp3\n");
    QCOMPARE(readPlaylist(outer), (QStringList{a, b, b, c}));
}

void TestM3u::emptyAndGarbage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty m3u") << "e.m3u" << QByteArray();
    QTest::newRow("header only") << "h.m3u8" << QByteArray("#EXTM3U\n#EXTINF:1,x\n");
    QTest::newRow("empty asx") << "e.asx" << QByteArray();
    QTest::newRow("asx without entries") << "n.asx" << QByteArray("<asx version=3><title>x</title></asx>");
    QByteArray noise(3000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("noise m3u") << "g.m3u" << noise;
    QTest::newRow("noise asx") << "g.asx" << noise;
    QTest::newRow("noise after asx root") << "g.wvx" << QByteArray("<ASX>") + noise;
    QTest::newRow("lines of nothing") << "n.m3u" << QByteArray("\n\r\n   \n\t\n");
}

void TestM3u::emptyAndGarbage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    ListFolder dir;
    // Files that the noise might name by accident if it were read loosely.
    dir.touch("a.mp3");
    QVERIFY(readPlaylist(dir.write(name, bytes)).isEmpty());
}

void TestM3u::capAtMaxTracks()
{
    ListFolder dir;
    QStringList files;
    for (int i = 0; i < 7; ++i)
        files += dir.touch(QString("t%1.mp3").arg(i));
    QByteArray list = "#EXTM3U\n";
    for (int i = 0; i < 5000; ++i)
        list += "#EXTINF:1,t\nt" + QByteArray::number(i % 7) + ".mp3\n";
    const QStringList tracks = readPlaylist(dir.write("big.m3u", list));
    QCOMPARE(tracks.size(), kMaxTracks);
    for (int i = 0; i < kMaxTracks; ++i)
        QCOMPARE(tracks[i], files[i % 7]);
}

void TestM3u::truncatedBigList()
{
    ListFolder dir;
    const QString a = dir.touch("a.mp3");
    dir.touch("a.mp");
    // Missing names up to just past the read limit, so that the cut falls
    // inside "a.mp3" and would name a.mp if the cut line were kept.
    QByteArray list;
    const QByteArray filler(1000, 'x');
    while (list.size() + filler.size() + 1 < kMaxListBytes - 4)
        list += filler + '\n';
    list += QByteArray(kMaxListBytes - 4 - list.size() - 1, 'y') + '\n';
    list += "a.mp3\n";
    QCOMPARE(list.indexOf("a.mp3"), kMaxListBytes - 4);
    QVERIFY(readPlaylist(dir.write("cut.m3u", list)).isEmpty());
    QCOMPARE(readPlaylist(dir.write("whole.m3u", list.right(200))), QStringList{a});
}

void TestM3u::fuzzInputsReplay()
{
    // Seeds and crash reproducers of the fuzzers; all must parse quietly
    // (the sanitizer build catches what would go wrong).
    const QString root = qEnvironmentVariable("CORVANE_SOURCE_DIR") + u"/tests/playlist/fuzz"_qs;
    QVERIFY(QFileInfo(root).isDir());
    int files = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.contains(u"/corpus-") && !path.contains(u"/regressions/"))
            continue;
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const QString text = decodeListText(bytes);
        const AsxDocument doc = parseAsx(text, kMaxProbes);
        QVERIFY(doc.items.size() <= kMaxProbes);
        QVERIFY(parseM3u(text, kMaxProbes).size() <= kMaxProbes);
        playlistKind(path, bytes.left(kHeadBytes));
        ++files;
    }
    QVERIFY(files >= 4);
}

QTEST_GUILESS_MAIN(TestM3u)
#include "tst_playlist_m3u.moc"
