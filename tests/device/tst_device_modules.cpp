// An engine whose module is missing or broken: its files open nothing, the
// reason is said once on standard error, and the other engine still plays.
// And what a load reads ahead into the file cache.
#include "modules/FileCache.h"
#include "TestMedia.h"

#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

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

    // The maps list is read for the files to fill: a name with spaces comes
    // whole, a removed file is left out, and each file comes once.
    void mappedFiles()
    {
        QTemporaryDir dir;
        const QString kept = writeFile(dir.path(), QStringLiteral("a movie (1).bin"), QByteArray(8192, 'k'));
        const QString gone = writeFile(dir.path(), QStringLiteral("gone.bin"), QByteArray(8192, 'g'));
        QVERIFY(!kept.isEmpty() && !gone.isEmpty());
        QFile a(kept), b(gone);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        uchar* twice[] = {a.map(0, 4096), a.map(4096, 4096)};
        QVERIFY(twice[0] && twice[1] && b.map(0, 4096));
        QVERIFY(QFile::remove(gone));

        const QStringList files = corvane::filecache::mappedFiles();
        QCOMPARE(files.count(QFileInfo(kept).canonicalFilePath()), 1);
        QVERIFY(files.filter(QStringLiteral("gone.bin")).isEmpty());
        QVERIFY(!files.filter(QStringLiteral("libQt6Core")).isEmpty());
        QCOMPARE(QSet<QString>(files.begin(), files.end()).size(), files.size());
    }

    // fill() leaves the whole file in the cache, not only its first pages.
    void fillReadsAllOfIt()
    {
        QTemporaryDir dir;
        const qsizetype size = 8 * 1024 * 1024 + 123;
        const QString path = writeFile(dir.path(), QStringLiteral("big.bin"), QByteArray(size, 'x'));
        QVERIFY(!path.isEmpty());
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
        QVERIFY(map != MAP_FAILED);
        const auto resident = [&] {
            std::vector<unsigned char> pages((size + 4095) / 4096);
            ::mincore(map, size_t(size), pages.data());
            return std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; });
        };
        const auto pages = (size + 4095) / 4096;
        if (resident() == pages)
            QSKIP("this file system keeps the file cached");
        QVERIFY(corvane::filecache::fill(path));
        QCOMPARE(resident(), pages);
        ::munmap(map, size_t(size));
        ::close(fd);

        QVERIFY(!corvane::filecache::fill(dir.filePath(QStringLiteral("missing.bin"))));
        QVERIFY(!corvane::filecache::fill(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TstDeviceModules)
#include "tst_device_modules.moc"
