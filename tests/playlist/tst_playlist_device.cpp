// Playlists in the media device: one media of the playable tracks, in order,
// network entries make no connection; long lists are capped. What a list
// names, in either form, is tst_playlist_reader's.
#include "TestMedia.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstPlaylistDevice : public QObject {
    Q_OBJECT
private slots:
    void formsPlayAsOneMedia()
    {
        QTemporaryDir dir;
        // Three lengths: every order of the tracks puts the later starts elsewhere.
        const QStringList clips{makeWav(dir.path(), "a.wav", 0.4),
                                makeMedia(dir.path(), "b.avi",
                                          lavfi("testsrc=rate=25", 0.8) + lavfi("sine=frequency=330", 0.8)
                                                  + QStringList{"-c:v", "mpeg4"}),
                                makeWav(dir.path(), "c.wav", 0.6)};
        QList<int> len;
        DeviceHarness h;
        for (const QString& clip : clips) {
            h.open("MPEGVideo", clip);
            len << h.length();
        }
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.serverPort()), ref = "<entry><ref href=";
        QByteArray big = "<asx>";  // 1,000 tracks at most
        QList<int> bigTracks;
        for (int i = 0; i < 3000; ++i) {
            big += ref + QByteArray("a.wav\0b.avi\0c.wav", 17).mid(i % 3 * 6, 5) + ">";
            if (i < 1000)
                bigTracks << i % 3;
        }
        const struct {
            const char* type;
            QString name;
            QByteArray body;
            QList<int> tracks;
        } forms[] = {{"WAVEAudio",
                      "l.wax",
                      "<asx version=3>" + ref + ".\\a.wav></entry>" + ref + "b.avi></entry>" + ref + "c.wav>",
                      {0, 1, 2}},
                     {"MPEGVideo",
                      "n.asx",
                      "<asx>" + ref + url + "/x.wav><ref href=a.wav></entry>" + ref + url
                              + "/y.avi></entry><entryref href=" + url + "/z.asx>" + ref + "c.wav>",
                      {0, 2}},
                     {"MPEGVideo", "big.asx", big, bigTracks}};
        for (const auto& f : forms) {
            h.completions.clear();
            h.open(f.type, writeFile(dir.path(), f.name, f.body));
            int start = 0, sum = 0;
            for (int k : f.tracks)
                sum += len[k];
            QCOMPARE(h.length(), sum);
            for (int i = 0; i + 1 < f.tracks.size() && i < 3; ++i) {  // "next": each track's start in order
                h.command("next");
                QCOMPARE(h.position(), start += len[f.tracks[i]]);
            }
            if (f.name == "big.asx")
                continue;
            if (f.name == "l.wax")
                h.command("prev");  // through all tracks: no completion between them
            h.command("play");
            QVERIFY(h.waitForCompletions(1, 5000));
            QTest::qWait(200);
            QCOMPARE(h.completions, (QList<QPair<int, int>>{{sum, sum}}));
        }
        QVERIFY(!server.hasPendingConnections() && !server.waitForNewConnection(200));
    }
};

QTEST_MAIN(TstPlaylistDevice)
#include "tst_playlist_device.moc"
