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
        const auto check = [&](const char* type, const QString& name, const QByteArray& body,
                               const QList<int>& tracks) {
            h.completions.clear();
            h.open(type, writeFile(dir.path(), name, body));
            int start = 0, sum = 0;
            for (int k : tracks)
                sum += len[k];
            QCOMPARE(h.length(), sum);
            for (int i = 0; i + 1 < tracks.size() && i < 3; ++i) {  // "next": each track's start in order
                h.command("next");
                QCOMPARE(h.position(), start += len[tracks[i]]);
            }
            if (name == "big.asx")
                return;
            if (name == "l.wax")
                h.command("prev");  // through all tracks: no completion between them
            h.command("play");
            QVERIFY(h.waitForCompletions(1, 5000));
            QTest::qWait(200);
            QCOMPARE(h.completions, (QList<QPair<int, int>>{{sum, sum}}));
        };
        check("WAVEAudio", "l.wax",
              "<asx version=3>" + ref + ".\\a.wav></entry>" + ref + "b.avi></entry>" + ref + "c.wav>", {0, 1, 2});
        check("MPEGVideo", "n.asx",
              "<asx>" + ref + url + "/x.wav><ref href=a.wav></entry>" + ref + url
                      + "/y.avi></entry><entryref href=" + url + "/z.asx>" + ref + "c.wav>",
              {0, 2});
        check("MPEGVideo", "big.asx", big, bigTracks);
        QVERIFY(!server.hasPendingConnections() && !server.waitForNewConnection(200));
    }

    // Plain PCM WAVE files are timed from their header; the library times
    // the same file with its data pushed past that read. Both agree, and a
    // list of many such files (probed on several threads) is their exact sum.
    void timesWavesExactly()
    {
        QTemporaryDir dir;
        const struct {
            const char* codec;
            int rate, channels;
            double seconds;
        } kinds[] = {{"pcm_u8", 8000, 1, 0.3337},   {"pcm_s16le", 44100, 2, 1.0001}, {"pcm_s24le", 48000, 1, 0.7213},
                     {"pcm_s32le", 22050, 2, 0.05}, {"pcm_f32le", 11025, 1, 0.4999}, {"pcm_f64le", 96000, 2, 0.2}};
        DeviceHarness h;
        QByteArray list = "<asx>";
        int sum = 0;
        for (const auto& k : kinds) {
            const QString path = makeMedia(dir.path(), QString::fromLatin1(k.codec) + ".wav",
                                           lavfi("sine=frequency=440", k.seconds)
                                                   + QStringList{"-ar", QString::number(k.rate), "-ac",
                                                                 QString::number(k.channels), "-c:a", k.codec});
            QFile in(path);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QByteArray bytes = in.readAll();
            const qsizetype data = bytes.indexOf("data");
            QVERIFY(data > 0);
            bytes.insert(data, "JUNK" + QByteArray::fromHex("00100000") + QByteArray(4096, '\0'));
            h.open("WAVEAudio", path);
            const int length = h.length();
            h.open("WAVEAudio", writeFile(dir.path(), QStringLiteral("late-data.wav"), bytes));
            QVERIFY(length > 0);
            QCOMPARE(h.length(), length);
            for (int copy = 0; copy < 40; ++copy) {
                const QString name = QStringLiteral("%1-%2.wav").arg(k.codec).arg(copy);
                QVERIFY(QFile::copy(path, dir.filePath(name)));
                list += "<entry><ref href=" + name.toUtf8() + "></entry>";
                sum += length;
            }
        }
        h.open("MPEGVideo2", writeFile(dir.path(), QStringLiteral("many.asx"), list + "</asx>"));
        QCOMPARE(h.length(), sum);
    }
};

QTEST_MAIN(TstPlaylistDevice)
#include "tst_playlist_device.moc"
