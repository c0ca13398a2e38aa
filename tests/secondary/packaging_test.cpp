// The version record and the icon files. The installed tree is tested in
// the Debian package (tests/package/deb_test.sh).
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QStringList kStrings = {"CompanyName=Corvane Project",
                              "FileDescription=Build:0815",
                              "LegalCopyright=Corvane Project",
                              "LegalTrademarks=Corvane Project",
                              "ProductName=Corvane",
                              "FileVersion=5.01",
                              "ProductVersion=5.01",
                              "InternalName=Corv5x",
                              "OriginalFilename=Corv5x.exe"};

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

// The Key=Value strings of an executable's .corvane.version section.
QStringList versionSection(const QString& exe)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("record.bin");
    if (run("objcopy", {"--dump-section", ".corvane.version=" + out, exe, "/dev/null"}) != 0)
        return {};
    return QString::fromUtf8(readAll(out)).split(QChar(0), Qt::SkipEmptyParts);
}

// The string table of a resource script, as Key=Value.
QStringList rcStrings(const QByteArray& rc)
{
    QStringList pairs;
    const QRegularExpression value(QStringLiteral("^\\s*VALUE \"(\\w+)\", \"([^\"]*)\"\\s*$"),
                                   QRegularExpression::MultilineOption);
    for (const auto& m : value.globalMatch(QString::fromUtf8(rc)))
        pairs << m.captured(1) + '=' + m.captured(2);
    return pairs;
}
}  // namespace

class PackagingTest : public QObject {
    Q_OBJECT
private slots:
    void versionRecordAndIcons();
};

// The resource script compiled and read back as a Windows build would; the ELF section; the icon files, 256-colour images first, then
// 32-bit ones where the window has them.
void PackagingTest::versionRecordAndIcons()
{
    QTemporaryDir dir;
    const QString windres = "x86_64-w64-mingw32-windres", res = dir.filePath("corvane.res");
    QByteArray out;
    QCOMPARE(run(windres, {"--preprocessor=cpp", "-i", built("corvane.rc"), "-O", "res", "-o", res}, &out), 0);
    QCOMPARE(run(windres, {"-i", res, "-J", "res", "-O", "rc"}, &out), 0);
    for (const char* line : {"LANGUAGE 4, 2", " FILEVERSION 5, 1, 0, 0", " PRODUCTVERSION 5, 1, 0, 0", " FILEOS 0x4",
                             " FILETYPE 0x1", "    BLOCK \"080404B0\"", "    VALUE \"Translation\", 0x804, 1200"})
        QVERIFY2(out.split('\n').contains(QByteArray(line)), line);
    QCOMPARE(rcStrings(out), kStrings);
    QCOMPARE(out.count("/* RT_ICON */"), 3);  // the application icon: 16, 32 and 48 pixels

    const QStringList numbers = {"FileVersionNumber=5.1.0.0", "ProductVersionNumber=5.1.0.0",
                                 "Translation=0x0804,1200"};
    QCOMPARE(versionSection(qEnvironmentVariable("CORVANE_EXE")), numbers + kStrings);  // the Linux executable's copy

    const struct {
        const char* file;
        QList<int> sides;
        bool trueColour;
    } icons[] = {
            {"corvane.ico", {16, 32, 48}, false},
            {"help.ico", {16, 24, 32, 48}, true},
            {"formats.ico", {32}, false},
            {"about.ico", {16, 24, 32, 48}, true},
    };
    for (const auto& icon : icons) {
        const QString path = built(QStringLiteral("icons/") + QLatin1String(icon.file));
        const QByteArray data = readAll(path);
        const int count = icon.sides.size() * (icon.trueColour ? 2 : 1);
        QVERIFY2(data.size() > 6 + 16 * count && data[2] == 1 && data[4] == count, icon.file);
        QImageReader reader(path, "ico");
        for (int i = 0; i < count; ++i) {
            const char* e = data.constData() + 6 + 16 * i;  // width, height, ..., bits per pixel at 6
            const int side = icon.sides[i % icon.sides.size()];
            QCOMPARE(QList<int>({quint8(e[0]), quint8(e[1]), quint8(e[6])}),
                     QList<int>({side, side, i < icon.sides.size() ? 8 : 32}));
            QVERIFY(reader.jumpToImage(i) && reader.read().size() == QSize(side, side));
        }
    }
}

QTEST_MAIN(PackagingTest)
#include "packaging_test.moc"
