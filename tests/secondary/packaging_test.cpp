// The version record and the icon files. The installed tree is tested in
// the Debian package (tests/package/deb_test.sh).
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString built(const QString& path)
{
    return qEnvironmentVariable("CORVANE_BINARY_DIR") + QStringLiteral("/packaging/") + path;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program; its exit code (-1 if it did not run) and output.
int run(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = p.readAll();
    return p.exitCode();
}

}  // namespace

class PackagingTest : public QObject {
    Q_OBJECT
private slots:
    void versionRecordAndIcons();
};

// The resource script compiled and read back as a Windows build would, and
// the same strings in the executable's ELF section; the icon files, 256-colour
// images first, then 32-bit ones of the same sides where a window has them.
void PackagingTest::versionRecordAndIcons()
{
    QTemporaryDir dir;
    const QString windres = "x86_64-w64-mingw32-windres", res = dir.filePath("corvane.res");
    QByteArray out;
    QCOMPARE(run(windres, {"--preprocessor=cpp", "-i", built("corvane.rc"), "-O", "res", "-o", res}, &out), 0);
    QCOMPARE(run(windres, {"-i", res, "-J", "res", "-O", "rc"}, &out), 0);
    const QString record = dir.filePath("record.bin"), exe = qEnvironmentVariable("CORVANE_EXE");
    QCOMPARE(run("objcopy", {"--dump-section", ".corvane.version=" + record, exe, "/dev/null"}), 0);
    const QStringList section = QString::fromUtf8(readAll(record)).split(QChar(0), Qt::SkipEmptyParts);
    QCOMPARE(section.size(), 12);
    const QString number = section[0].section('=', 1).replace('.', ", ");
    for (const QString& line :
         QStringList{"LANGUAGE 4, 2", "    BLOCK \"080404B0\"", "    VALUE \"Translation\", 0x804, 1200",
                     " FILEVERSION " + number, " PRODUCTVERSION " + number})
        QVERIFY2(out.split('\n').contains(line.toUtf8()), qPrintable(line));
    QCOMPARE(section.mid(1, 2),
             (QStringList{"ProductVersionNumber=" + section[0].section('=', 1), "Translation=0x0804,1200"}));
    QStringList strings;  // the resource script's string table, as Key=Value
    const QRegularExpression value(QStringLiteral("^\\s*VALUE \"(\\w+)\", \"([^\"]*)\"\\s*$"),
                                   QRegularExpression::MultilineOption);
    for (const auto& m : value.globalMatch(QString::fromUtf8(out)))
        strings << m.captured(1) + '=' + m.captured(2);
    QCOMPARE(strings, section.mid(3));
    for (const QString& pair : section)
        QVERIFY2(!pair.endsWith('='), qPrintable(pair));

    for (const char* file : {"corvane.ico", "help.ico", "formats.ico", "about.ico"}) {
        const QString path = built(QStringLiteral("icons/") + QLatin1String(file));
        const QByteArray data = readAll(path);
        const int count = data.size() > 6 ? data[4] : 0;
        QVERIFY2(count > 0 && data.size() > 6 + 16 * count && data[2] == 1, file);
        QImageReader reader(path, "ico");
        QList<int> sides[2];  // of the 8-bit and the 32-bit images
        for (int i = 0; i < count; ++i) {
            const char* e = data.constData() + 6 + 16 * i;  // width, height, ..., bits per pixel at 6
            QVERIFY2(e[0] == e[1] && (e[6] == 8 || (e[6] == 32 && i >= sides[0].size())), file);
            sides[e[6] == 32] << quint8(e[0]);
            QVERIFY(reader.jumpToImage(i) && reader.read().size() == QSize(quint8(e[0]), quint8(e[0])));
        }
        QVERIFY2(sides[1].isEmpty() || sides[1] == sides[0], file);
        if (QByteArray(file) == "corvane.ico")
            QCOMPARE(out.count("/* RT_ICON */"), count);  // the application icon
    }
}

QTEST_MAIN(PackagingTest)
#include "packaging_test.moc"
