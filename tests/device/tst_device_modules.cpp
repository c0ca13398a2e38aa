// An engine whose module is missing or broken: its files open nothing, the
// reason is said once on standard error, and the other engine still plays.
#include "TestMedia.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace corvane::test;

class TstDeviceModules : public QObject {
    Q_OBJECT
private slots:
    void engineWithoutItsModule_data()
    {
        QTest::addColumn<QByteArray>("mpvModule");  // what stands where the mpv module should be
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a library") << QByteArray("\x7f"
                                                     "ELF but no more than this");
    }
    void engineWithoutItsModule()
    {
        QFETCH(QByteArray, mpvModule);
        QTemporaryDir dir;
        // The installed layout, outside the build tree: bin/ and the private
        // library folder, with the MIDI module and no working mpv module.
        const QString bin = dir.filePath(QStringLiteral("bin")), lib = dir.filePath(QStringLiteral(MODULE_DIR));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(lib));
        const QString probe = bin + QStringLiteral("/module_probe");
        QVERIFY(QFile::copy(QStringLiteral(PROBE_PATH), probe));
        QVERIFY(QFile::copy(QStringLiteral(MIDI_MODULE_PATH), lib + QStringLiteral("/" MIDI_MODULE_NAME)));
        if (!mpvModule.isNull())
            QVERIFY(!writeFile(lib, QStringLiteral(MPV_MODULE_NAME), mpvModule).isEmpty());
        const QString wav = makeWav(dir.path());
        const QString mid = writeFile(dir.path(), QStringLiteral("song.mid"), midiBytes(2));
        QVERIFY(!wav.isEmpty() && !mid.isEmpty());

        QProcess p;
        p.start(probe,
                {QStringLiteral("WAVEAudio"), wav, QStringLiteral("Sequencer"), mid, QStringLiteral("WAVEAudio"), wav});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(out,
                 QStringLiteral("WAVEAudio opened=0 length=0 completed=0\n"
                                "Sequencer opened=1 length=1500 completed=1\n"
                                "WAVEAudio opened=0 length=0 completed=0\n"));
        const QStringList said = QString::fromUtf8(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(said.filter(QStringLiteral(MPV_MODULE_NAME)).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TstDeviceModules)
#include "tst_device_modules.moc"
