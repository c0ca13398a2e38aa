// The media device on the mpv engine: the transport verbs behave, and bad
// files open nothing.
#include "DeviceHarness.h"
#include "TestMedia.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

class TstDeviceMpv : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playAfterCompletionAndPrevStartOver();
    void nextCompletes();
    void stopThenPlayResumes();
    void openOverOpenReplaces();
    void pauseDoesNotLeakIntoNextOpen();
    void badFilesOpenNothing_data();
    void badFilesOpenNothing();
    void truncatedFilesOpenNothing();
    void audioDeviceRefusesPictureOnly();
    void stepAndBackMoveOneFrameOfVideo();
    void stepAndBackMoveFiveSecondsOfAudio();
    void statusUpdatesWhileOpenOnly();
    void videoPlaysUnseenWithoutOpenGL();

private:
    QTemporaryDir dir_;
    QString wav_, avi_;
};

void TstDeviceMpv::initTestCase()
{
    QVERIFY(dir_.isValid());
    wav_ = makeWav(dir_.path());
    avi_ = makeAvi(dir_.path());
    QVERIFY(!wav_.isEmpty() && !avi_.isEmpty());
}

void TstDeviceMpv::playAfterCompletionAndPrevStartOver()
{
    DeviceHarness h;
    h.open("WAVEAudio", wav_);
    const int length = h.length();
    h.command("play");
    QVERIFY(h.waitForCompletions(1, 5000));

    // "play" at the end plays again from the start, to a second completion.
    h.command("play");
    QVERIFY(h.position() < length / 2);
    QVERIFY(h.waitForCompletions(2, 5000));
    QCOMPARE(h.completions[1].position, length);

    // The program's own answer to completion: "prev" then "play".
    h.command("prev");
    QCOMPARE(h.position(), 0);
    h.command("play");
    QVERIFY(h.waitForPosition(1, 3000));
    QVERIFY(h.position() < length / 2);
    QVERIFY(h.waitForCompletions(3, 5000));
    QCOMPARE(h.completions.size(), 3);
}

void TstDeviceMpv::nextCompletes()
{
    DeviceHarness h;
    h.open("AVIVideo", avi_);
    h.command("play");
    QVERIFY(h.waitForPosition(100, 3000));
    h.command("next");
    QCOMPARE(h.position(), h.length());
    QVERIFY(h.waitForCompletions(1, 2000));
    h.spin(1500);  // the engine's own end must not complete a second time
    QCOMPARE(h.completions.size(), 1);
    QCOMPARE(h.completions[0].position, h.completions[0].length);
    // Rewound and played again, it completes again.
    h.command("prev");
    h.command("play");
    QVERIFY(h.waitForCompletions(2, 5000));
}

void TstDeviceMpv::stopThenPlayResumes()
{
    const QString path = makeWav(dir_.path(), "long.wav", 3.0);
    DeviceHarness h;
    h.open("WAVEAudio", path);
    h.command("play");
    QVERIFY(h.waitForPosition(600, 4000));
    h.command("stop");
    h.spin(300);
    const int stoppedAt = h.position();
    h.spin(500);
    QCOMPARE(h.position(), stoppedAt);  // halted
    QVERIFY(stoppedAt >= 600);
    h.command("play");
    QVERIFY(h.waitFor([&] { return h.position() > stoppedAt + 200; }, 3000));
    QVERIFY(h.position() < stoppedAt + 1500);  // went on, not from the start
    QCOMPARE(h.completions.size(), 0);
}

void TstDeviceMpv::openOverOpenReplaces()
{
    const QString longer = makeWav(dir_.path(), "two.wav", 2.0);
    DeviceHarness h;
    h.open("WAVEAudio", wav_);
    h.command("play");
    QVERIFY(h.waitForPosition(200, 3000));
    h.open("WAVEAudio", longer);
    QVERIFY(h.length() > 1900 && h.length() < 2200);
    QVERIFY(h.position() < 100);
    h.command("play");
    QVERIFY(h.waitForCompletions(1, 6000));
    QCOMPARE(h.completions.size(), 1);
    QCOMPARE(h.completions[0].length, h.length());
    QCOMPARE(h.completions[0].position, h.completions[0].length);
}

void TstDeviceMpv::pauseDoesNotLeakIntoNextOpen()
{
    DeviceHarness h;
    h.open("WAVEAudio", wav_);
    h.command("play");
    QVERIFY(h.waitForPosition(100, 3000));
    h.command("pause");
    // A new open is paused at 0 until "play", and "play" plays it.
    h.open("AVIVideo", avi_);
    h.spin(400);
    QCOMPARE(h.position(), 0);
    h.command("play");
    QVERIFY(h.waitForPosition(200, 3000));
    QVERIFY(h.waitForCompletions(1, 5000));
}

void TstDeviceMpv::badFilesOpenNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("create");
    QByteArray random(64 * 1024, '\0');
    quint32 x = 12345;
    for (char& c : random) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    QTest::newRow("missing") << "missing.avi" << QByteArray() << false;
    QTest::newRow("empty") << "empty.wav" << QByteArray() << true;
    QTest::newRow("random bytes") << "noise.mp3" << random << true;
    QTest::newRow("random bytes avi") << "noise.avi" << random << true;
    QTest::newRow("named pipe") << "pipe.wav" << QByteArray() << false;
    QTest::newRow("folder") << "folder.avi" << QByteArray() << false;
    QTest::newRow("playlist") << "list.asx" << QByteArray("<asx version=\"3.0\"><entry><ref href=\"x.wma\"/></entry></asx>") << true;
}

void TstDeviceMpv::badFilesOpenNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, create);
    QString path = QDir(dir_.path()).absoluteFilePath(name);
    if (create)
        path = writeFile(dir_.path(), name, bytes);
    if (name == QLatin1String("pipe.wav"))
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);  // reading it would block
    if (name == QLatin1String("folder.avi"))
        QVERIFY(QDir(dir_.path()).mkdir(name));

    DeviceHarness h;
    for (const char* type : {"AVIVideo", "WAVEAudio", "MPEGVideo", "MPEGVideo2"}) {
        h.open(type, path);
        QCOMPARE(h.length(), 0);
        h.command("play");
        h.command("next");
        QCOMPARE(h.position(), 0);
        QVERIFY(!h.device->isOpen());
    }
    h.spin(300);
    QCOMPARE(h.completions.size(), 0);
    QCOMPARE(h.statusUpdates, 0);
}

void TstDeviceMpv::truncatedFilesOpenNothing()
{
    const QString mp4 = makeMedia(dir_.path(), "whole.mp4",
                                  {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                                   "sine=duration=1", "-c:v", "mpeg4", "-c:a", "aac", "-shortest"});
    QVERIFY(!mp4.isEmpty());
    auto head = [](const QString& path, qint64 n) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
    };
    const QList<QPair<QString, QByteArray>> cases{
        {"cut.wav", head(wav_, 30)},                    // inside the header
        {"cut.avi", head(avi_, 300)},                   // inside the stream headers
        {"cut.mp4", head(mp4, QFileInfo(mp4).size() / 2)},  // the index (at its end) is gone
    };
    DeviceHarness h;
    for (const auto& [name, bytes] : cases) {
        h.open(name.endsWith(".wav") ? "WAVEAudio" : "MPEGVideo", writeFile(dir_.path(), name, bytes));
        QVERIFY2(!h.device->isOpen(), qPrintable(name));
        QCOMPARE(h.length(), 0);
        h.command("play");
    }
    h.spin(300);
    QCOMPARE(h.completions.size(), 0);
    QCOMPARE(h.statusUpdates, 0);
}

void TstDeviceMpv::stepAndBackMoveOneFrameOfVideo()
{
    DeviceHarness h;
    const QString path = makeAvi(dir_.path(), 3.0);  // 25 frames a second
    h.open("AVIVideo", path);
    h.command("play");
    QVERIFY(h.waitForPosition(600, 4000));
    h.command("pause");
    h.spin(300);
    const int at = h.position();
    h.command("step");
    QVERIFY(h.waitFor([&] { return h.position() > at; }, 2000));
    h.spin(200);
    QVERIFY2(h.position() - at <= 80, qPrintable(QStringLiteral("%1 -> %2").arg(at).arg(h.position())));
    const int stepped = h.position();
    h.command("back");
    QVERIFY(h.waitFor([&] { return h.position() < stepped; }, 2000));
    h.spin(200);
    QVERIFY(stepped - h.position() <= 80);
    QCOMPARE(h.completions.size(), 0);
}

void TstDeviceMpv::stepAndBackMoveFiveSecondsOfAudio()
{
    DeviceHarness h;
    h.open("WAVEAudio", makeWav(dir_.path(), "twelve.wav", 12.0));
    h.command("step");
    QCOMPARE(h.position(), 5000);
    h.command("play");
    QVERIFY(h.waitForPosition(5100, 3000));
    QVERIFY(h.position() < 6500);
    h.command("back");
    QVERIFY(h.position() < 1500);
    h.command("step");
    h.command("step");
    h.command("step");  // past the end: completion
    QVERIFY(h.waitForCompletions(1, 2000));
    QCOMPARE(h.completions[0].position, h.length());
}

void TstDeviceMpv::audioDeviceRefusesPictureOnly()
{
    const QString path = makeVideoOnly(dir_.path());
    DeviceHarness h;
    h.open("WAVEAudio", path);
    QCOMPARE(h.length(), 0);
    QVERIFY(!h.device->isOpen());
}

void TstDeviceMpv::statusUpdatesWhileOpenOnly()
{
    DeviceHarness h;
    h.open("WAVEAudio", wav_);
    h.spin(1000);  // open and paused: still updating
    QVERIFY2(h.statusUpdates >= 4, qPrintable(QString::number(h.statusUpdates)));
    h.command("close");
    QCOMPARE(h.length(), 0);
    const int seen = h.statusUpdates;
    h.spin(600);
    QCOMPARE(h.statusUpdates, seen);
}

void TstDeviceMpv::videoPlaysUnseenWithoutOpenGL()
{
    // The program's own video output on a display that cannot show GL
    // widgets (this test runs on the offscreen platform): no window, no
    // crash, and the file still plays to its end in time.
    QVERIFY(QGuiApplication::platformName() == QLatin1String("offscreen"));
    DeviceHarness h({QStringLiteral("null"), QString()});
    h.open("AVIVideo", avi_);
    QVERIFY(h.device->isOpen());
    QVERIFY(!h.device->videoWindow());
    h.command("play");
    QVERIFY(h.waitForCompletions(1, 5000));
    QCOMPARE(h.completions[0].position, h.length());
}

QTEST_MAIN(TstDeviceMpv)
#include "tst_device_mpv.moc"
