// The version record, the icon files and the installed tree.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kAppId = QStringLiteral("org.example.corvane");
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
    void installedTree();
};

// The resource script as written, and compiled and read back as a Windows
// build would; the ELF section; the icon files, 256-colour images first, then
// 32-bit ones where the window has them.
void PackagingTest::versionRecordAndIcons()
{
    const QByteArray rc = readAll(built("corvane.rc"));
    for (const char* line : {"LANGUAGE 0x04, 0x02", " PRODUCTVERSION 5,1,0,0", " FILEOS 0x4L", " FILETYPE 0x1L",
                             "        BLOCK \"080404B0\"", "        VALUE \"Translation\", 0x0804, 1200"})
        QVERIFY2(rc.split('\n').contains(QByteArray(line)), line);
    QTemporaryDir dir;
    const QString windres = "x86_64-w64-mingw32-windres", res = dir.filePath("corvane.res");
    QByteArray out;
    QCOMPARE(run(windres, {"--preprocessor=cpp", "-i", built("corvane.rc"), "-O", "res", "-o", res}, &out), 0);
    QCOMPARE(run(windres, {"-i", res, "-J", "res", "-O", "rc"}, &out), 0);
    QVERIFY(out.split('\n').contains(" FILEVERSION 5, 1, 0, 0"));
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

void PackagingTest::installedTree()
{
    QTemporaryDir prefix;
    QByteArray out;
    QCOMPARE(run(qEnvironmentVariable("CORVANE_CMAKE"),
                 {"--install", qEnvironmentVariable("CORVANE_BINARY_DIR"), "--prefix", prefix.path()}, &out),
             0);
    const QDir root(prefix.path());
    const QString desktop = root.filePath("share/applications/" + kAppId + ".desktop");
    const QString metainfo = root.filePath("share/metainfo/" + kAppId + ".metainfo.xml");
    QCOMPARE(run("desktop-file-validate", {desktop}, &out), 0);
    QVERIFY2(out.isEmpty(), out.constData());
    QCOMPARE(run("appstreamcli", {"validate-tree", "--no-net", prefix.path()}, &out), 0);
    for (int side : {16, 32, 48}) {
        const QImage icon(root.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(side).arg(kAppId)));
        QCOMPARE(icon.size(), QSize(side, side));
        QVERIFY(icon.colorCount() > 0 && icon.colorCount() <= 256);  // stored with a palette
    }

    // What the validators cannot know: the entry starts this program, shows
    // its icon and offers it for the formats it plays.
    const QStringList entry = QString::fromUtf8(readAll(desktop)).split('\n');
    QVERIFY(entry.contains("Exec=corvane") && entry.contains("Icon=" + kAppId));
    const QStringList mime = entry.filter(QRegularExpression("^MimeType=")).value(0).mid(9).split(';');
    for (const char* type : {"video/x-msvideo", "audio/x-wav", "audio/midi", "video/x-ms-wmv", "video/mpeg",
                             "application/vnd.adobe.flash.movie"})
        QVERIFY2(mime.contains(QLatin1String(type)), type);
    QVERIFY(readAll(metainfo).contains("<release version=\"5.1.0.0\""));
}

QTEST_MAIN(PackagingTest)
#include "packaging_test.moc"
