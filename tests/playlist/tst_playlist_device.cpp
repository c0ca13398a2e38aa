// Playlists in the media device: one media of the playable tracks, in order.
#include "DeviceHarness.h"
#include "TestMedia.h"

#include <QStringEncoder>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstPlaylistDevice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachFormIsOneMediaInOrder();
    void playsThroughRepeatsAndSteps();
    void networkEntriesMakeNoConnection();
    void listsWithoutTracksOpenNothingLongOnesAreCapped();

private:
    QString list(const QString& name, const QByteArray& body) { return writeFile(dir_.path(), name, body); }
    QTemporaryDir dir_;
    int len_[3] = {};  // a.wav, b.avi, c.wav as the device measures them alone
    int sum_ = 0;
};

void TstPlaylistDevice::initTestCase()
{
    QVERIFY(dir_.isValid() && QDir(dir_.path()).mkpath("clips"));
    const QString clips = dir_.path() + "/clips";
    // Three lengths: every order of the tracks puts the later starts elsewhere.
    const QStringList paths{
            makeWav(clips, "a.wav", 0.4),
            makeMedia(clips, "b.avi",
                      {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.8", "-f", "lavfi", "-i",
                       "sine=frequency=330:duration=0.8", "-c:v", "mpeg4", "-c:a", "pcm_s16le", "-shortest"}),
            makeWav(clips, "c.wav", 0.6)};
    DeviceHarness h;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(QFile::copy(paths[i],
                            dir_.path() + QStringList{u"/第一首.wav"_qs, u"/第二首.avi"_qs, u"/第三首.wav"_qs}[i]));
        h.open("MPEGVideo", paths[i]);
        len_[i] = h.length();
        QVERIFY(len_[i] > 0);
        sum_ += len_[i];
    }
    QVERIFY(len_[0] != len_[1] && len_[1] != len_[2] && len_[0] != len_[2]);
}

// Each form under any device type: "next" goes to the start of each following
// track in list order; the last one plays and completes once, held at the end.
void TstPlaylistDevice::eachFormIsOneMediaInOrder()
{
    // Nested list (with a cycle back to the outer one) for the .wmx row.
    list("l2.asx",
         "<asx><entry><ref href=clips/b.avi></entry><entryref href=l.wmx>"
         "<entry><ref href=clips/c.wav></entry></asx>");
    const struct {
        const char* type;
        QString name;
        QByteArray body;
    } forms[] = {
            {"WAVEAudio", "l.wax",
             "<asx version=3><entry><ref href=clips\\a.wav></entry><entry><ref href=.\\clips\\b.avi></entry>"
             "<entry><ref href=clips\\c.wav></entry></asx>"},
            {"AVIVideo", "l.wvx",
             "<?xml version='1.0'?><Asx Version='3'><Base HRef='clips/'/><Entry><Ref HRef='missing.wav'/>"
             "<Ref HRef='a.wav'/></Entry><Entry><Ref HRef='b.avi'/></Entry><Entry><Ref HRef='c.wav'/></Entry></Asx>"},
            {"MPEGVideo2", "l.wmx", "<asx><entry><ref href=\"clips/a.wav\"/></entry><entryref href=\"l2.asx\"/></asx>"},
            {"MPEGVideo", u"列表.m3u"_qs,
             QStringEncoder("GB18030").encode(
                     u"#EXTM3U\r\n#EXTINF:1,一\r\n第一首.wav\r\n第二首.avi\r\n第三首.wav\r\n"_qs)},
    };
    for (const auto& f : forms) {
        DeviceHarness h;
        h.open(f.type, list(f.name, f.body));
        QCOMPARE(QList<int>({h.device->isOpen(), h.length(), h.position()}), QList<int>({1, sum_, 0}));
        h.command("next");
        QCOMPARE(h.position(), len_[0]);
        h.command("next");
        QCOMPARE(h.position(), len_[0] + len_[1]);
        h.command("play");
        QVERIFY(h.waitForPosition(len_[0] + len_[1] + 100, 3000));
        QVERIFY(h.waitForCompletions(1, 3000));
        QCOMPARE(h.position(), sum_);
    }
}

void TstPlaylistDevice::playsThroughRepeatsAndSteps()
{
    DeviceHarness h;
    h.open("MPEGVideo",
           list("p.asx",
                "<ASX VERSION=\"3.0\"><ENTRY><REF HREF=\"clips/a.wav\"/></ENTRY><ENTRY><REF HREF=\"clips/b.avi\"/></ENTRY>"
                "<ENTRY><REF HREF=\"clips/c.wav\"/></ENTRY></ASX>"));
    // Twice through: the second time after the window's own answer to
    // completion, "prev" then "play". No completion between the tracks.
    for (int round = 1; round <= 2; ++round) {
        h.command("play");
        int seen = 0;
        QVERIFY(h.waitFor(
                [&] {
                    if (h.completions.size() < round && h.position() < sum_)
                        seen = qMax(seen, h.position());
                    return seen > len_[0] + len_[1] + 100;  // playing inside the third track
                },
                5000));
        QCOMPARE(h.completions.size(), round - 1);
        QVERIFY(h.waitForCompletions(round, 3000));
        QCOMPARE(h.position(), sum_);
        h.command("prev");
        QCOMPARE(h.position(), 0);
    }
    // "next" from the last track is the completion path too, once; "play"
    // at the end starts over from the first track.
    for (int i = 0; i < 3; ++i)
        h.command("next");
    QCOMPARE(h.position(), sum_);
    QVERIFY(h.waitForCompletions(3, 2000));
    h.spin(300);
    QCOMPARE(h.completions.size(), 3);
    h.command("play");
    QVERIFY(h.position() < len_[0]);

    h.open("WAVEAudio", list("s.m3u", "clips/a.wav\nclips/c.wav\n"));
    QCOMPARE(h.length(), len_[0] + len_[2]);
    h.command("step");  // five seconds on, but no further than the next track
    QCOMPARE(h.position(), len_[0]);
    h.command("back");  // five seconds back, but not before this track
    QCOMPARE(h.position(), len_[0]);
    h.command("step");  // on the last track: the end
    QCOMPARE(h.position(), h.length());
    QVERIFY(h.waitForCompletions(4, 2000));
}

void TstPlaylistDevice::networkEntriesMakeNoConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
    const QString asx = list("n.asx",
                             "<asx><entry><ref href=" + url
                                     + "/x.wav><ref href=clips/a.wav></entry>"
                                       "<entry><ref href="
                                     + url + "/y.avi></entry><entryref href=" + url
                                     + "/z.asx>"
                                       "<entry><ref href=clips/c.wav></entry></asx>");
    const QString m3u = list("n.m3u", "#EXTM3U\n" + url + "/x.wav\nclips/c.wav\n" + url + "/y.m3u\n");
    DeviceHarness h;
    for (const auto& [path, length] : {std::pair{asx, len_[0] + len_[2]}, {m3u, len_[2]}}) {
        h.open("MPEGVideo", path);
        QCOMPARE(h.length(), length);
        h.command("play");
        QVERIFY(h.waitForCompletions(path == asx ? 1 : 2, 4000));
    }
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(!server.waitForNewConnection(200));
}

void TstPlaylistDevice::listsWithoutTracksOpenNothingLongOnesAreCapped()
{
    writeFile(dir_.path(), "text.wav", "not a sound at all");
    const QList<QPair<QString, QByteArray>> lists{
            {"empty.asx", "<asx version=\"3.0\"></asx>"},
            {"garbage.wvx", "<ASX>\x01\x02<<<>>>&&&\xff\xfe<entry <ref href=>"},
            {"unplayable.wax", "<asx><entry><ref href=text.wav></entry><entry><ref href=missing.wav></entry></asx>"},
            {"missing.m3u", "#EXTM3U\nnone.wav\nclips/none.avi\n"},
    };
    DeviceHarness h;
    for (const auto& [name, body] : lists) {
        h.open("MPEGVideo", list(name, body));
        QVERIFY2(!h.device->isOpen(), qPrintable(name));
        h.command("play");
        h.command("next");
        QCOMPARE(QList<int>({h.length(), h.position()}), QList<int>({0, 0}));
    }
    h.spin(300);
    QCOMPARE(h.completions.size(), 0);
    QCOMPARE(h.statusUpdates, 0);

    // 1,000 tracks at most: 334 of the first clip, 333 of each other.
    QByteArray body = "<asx>";
    for (int i = 0; i < 3000; ++i)
        body += "<entry><ref href=clips/"
                + QByteArray(i % 3 == 0           ? "a.wav"
                                     : i % 3 == 1 ? "b.avi"
                                                  : "c.wav")
                + "></entry>\n";
    h.open("MPEGVideo", list("big.asx", body + "</asx>"));
    QCOMPARE(h.length(), 334 * len_[0] + 333 * (len_[1] + len_[2]));
    h.command("next");
    QCOMPARE(h.position(), len_[0]);
}

QTEST_MAIN(TstPlaylistDevice)
#include "tst_playlist_device.moc"
