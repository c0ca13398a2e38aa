// Every sampled kind that the open dialogs offer plays through its device
// type on the mpv engine and completes once, with position == length.
#include "DeviceHarness.h"
#include "TestMedia.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TstDeviceKinds : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void completesOnceAtLengthForEachKind_data();
    void completesOnceAtLengthForEachKind();

private:
    QTemporaryDir dir_;
};

void TstDeviceKinds::completesOnceAtLengthForEachKind_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("args");
    const QStringList av{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.6",
                         "-f", "lavfi", "-i", "sine=frequency=500:duration=0.6", "-shortest"};
    const QStringList a{"-f", "lavfi", "-i", "sine=frequency=500:duration=0.6"};
    QTest::newRow("wav") << "WAVEAudio" << "a.wav" << a;
    QTest::newRow("avi") << "AVIVideo" << "a.avi" << av + QStringList{"-c:v", "mpeg4", "-c:a", "pcm_s16le"};
    QTest::newRow("mpg (MPEG-PS)") << "MPEGVideo" << "a.mpg"
                                   << av + QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"};
    QTest::newRow("mp3") << "MPEGVideo" << "a.mp3" << a + QStringList{"-c:a", "libmp3lame"};
    QTest::newRow("mov") << "MPEGVideo" << "a.mov" << av + QStringList{"-c:v", "mpeg4", "-c:a", "aac"};
    QTest::newRow("qt") << "MPEGVideo" << "a.qt" << av + QStringList{"-c:v", "mpeg4", "-c:a", "aac", "-f", "mov"};
    QTest::newRow("wmv") << "MPEGVideo2" << "a.wmv" << av + QStringList{"-c:v", "wmv2", "-c:a", "wmav2"};
    QTest::newRow("asf") << "MPEGVideo2" << "a.asf" << av + QStringList{"-c:v", "wmv2", "-c:a", "wmav2"};
    QTest::newRow("wma") << "MPEGVideo2" << "a.wma" << a + QStringList{"-c:a", "wmav2"};
    const QStringList es{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.6"};
    QTest::newRow("mpeg (MPEG-2 PS)") << "MPEGVideo" << "a.mpeg"
                                      << av + QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"};
    QTest::newRow("mpe") << "MPEGVideo" << "a.mpe" << av + QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"};
    QTest::newRow("m1v (raw video)") << "MPEGVideo" << "a.m1v" << es + QStringList{"-c:v", "mpeg1video", "-f", "mpeg1video"};
    QTest::newRow("mp2v (raw video)") << "MPEGVideo" << "a.mp2v" << es + QStringList{"-c:v", "mpeg2video", "-f", "mpeg2video"};
    QTest::newRow("mpv2 (raw video)") << "MPEGVideo" << "a.mpv2" << es + QStringList{"-c:v", "mpeg2video", "-f", "mpeg2video"};
    QTest::newRow("mp2 (audio)") << "MPEGVideo" << "a.mp2" << a + QStringList{"-c:a", "mp2", "-f", "mp2"};
    QTest::newRow("mpa (audio)") << "MPEGVideo" << "a.mpa" << a + QStringList{"-c:a", "mp2", "-f", "mp2"};
    QTest::newRow("wm") << "MPEGVideo2" << "a.wm" << av + QStringList{"-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf"};
    QTest::newRow("video only") << "AVIVideo" << "v.avi"
                                << QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.6",
                                               "-c:v", "mpeg4"};
}

void TstDeviceKinds::completesOnceAtLengthForEachKind()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    const QString path = makeMedia(dir_.path(), name, args);
    QVERIFY(!path.isEmpty());

    DeviceHarness h;
    h.open(type, path);
    const int length = h.length();
    QVERIFY2(length >= 550 && length < 800, qPrintable(QString::number(length)));
    QCOMPARE(h.position(), 0);
    h.command("play");
    QVERIFY(h.waitForCompletions(1, 6000));
    h.spin(700);  // nothing more may come
    QCOMPARE(h.completions.size(), 1);
    QCOMPARE(h.completions[0].position, h.completions[0].length);
    QCOMPARE(h.completions[0].length, length);
    QCOMPARE(h.position(), length);
}

QTEST_MAIN(TstDeviceKinds)
#include "tst_device_kinds.moc"
