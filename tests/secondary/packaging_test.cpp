// The version record as generated for Windows and as carried in the Linux
// executable, the icon files, and the installed desktop integration checked
// by the desktop's own validators.
#include "SecondaryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using corvane::test::run;

namespace {
const QString kAppId = QStringLiteral("org.example.corvane");

QString binaryDir() { return qEnvironmentVariable("CORVANE_BINARY_DIR"); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Key=Value pairs of the executable's .corvane.version section, in order.
QList<QPair<QString, QString>> versionSection(const QString& exe)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("record.bin"));
    if (run(QStringLiteral("objcopy"), {QStringLiteral("--dump-section"), QStringLiteral(".corvane.version=") + out, exe, QStringLiteral("/dev/null")}) != 0)
        return {};
    QList<QPair<QString, QString>> pairs;
    for (const QByteArray& s : readAll(out).split('\0')) {
        if (s.isEmpty()) continue;
        const int eq = s.indexOf('=');
        pairs << qMakePair(QString::fromUtf8(s.left(eq)), QString::fromUtf8(s.mid(eq + 1)));
    }
    return pairs;
}

// The string table of the resource script, in order.
QList<QPair<QString, QString>> rcStrings(const QByteArray& rc)
{
    QList<QPair<QString, QString>> pairs;
    const QRegularExpression value(QStringLiteral("^\\s*VALUE \"(\\w+)\", \"([^\"]*)\"\\s*$"), QRegularExpression::MultilineOption);
    for (auto it = value.globalMatch(QString::fromUtf8(rc)); it.hasNext();) {
        const auto m = it.next();
        pairs << qMakePair(m.captured(1), m.captured(2));
    }
    return pairs;
}

const QList<QPair<QString, QString>> kStrings = {
    {QStringLiteral("CompanyName"), QStringLiteral("Corvane Project")},
    {QStringLiteral("FileDescription"), QStringLiteral("Build:0815")},
    {QStringLiteral("LegalCopyright"), QStringLiteral("Corvane Project")},
    {QStringLiteral("LegalTrademarks"), QStringLiteral("Corvane Project")},
    {QStringLiteral("ProductName"), QStringLiteral("Corvane")},
    {QStringLiteral("FileVersion"), QStringLiteral("5.01")},
    {QStringLiteral("ProductVersion"), QStringLiteral("5.01")},
    {QStringLiteral("InternalName"), QStringLiteral("Corv5x")},
    {QStringLiteral("OriginalFilename"), QStringLiteral("Corv5x.exe")},
};

struct IcoEntry { int width, height, bits; QImage image; };

// The images of a .ico file: the directory's sizes and depths, each image
// decoded by Qt's reader.
QList<IcoEntry> icoEntries(const QString& path)
{
    const QByteArray data = readAll(path);
    if (data.size() < 6 || data[2] != 1 || data[3] != 0) return {};
    const int count = quint8(data[4]) | quint8(data[5]) << 8;
    QImageReader reader(path, "ico");
    QList<IcoEntry> entries;
    for (int i = 0; i < count; ++i) {
        const char* e = data.constData() + 6 + 16 * i;
        reader.jumpToImage(i);
        entries << IcoEntry{quint8(e[0]), quint8(e[1]), quint8(e[6]) | quint8(e[7]) << 8, reader.read()};
    }
    return entries;
}
} // namespace

class PackagingTest : public QObject {
    Q_OBJECT
private slots:
    void windowsResourceScript();
    void windowsResourceCompiles();
    void versionRecordInTheExecutable();
    void iconFiles_data();
    void iconFiles();
    void installedTree();
};

void PackagingTest::windowsResourceScript()
{
    const QByteArray rc = readAll(binaryDir() + QStringLiteral("/packaging/corvane.rc"));
    QVERIFY(!rc.isEmpty());
    for (const char* line : {"LANGUAGE 0x04, 0x02", " FILEVERSION 5,1,0,0", " PRODUCTVERSION 5,1,0,0",
                             " FILEFLAGSMASK 0x0L", " FILEFLAGS 0x0L", " FILEOS 0x4L", " FILETYPE 0x1L",
                             " FILESUBTYPE 0x0L", "        BLOCK \"080404B0\"",
                             "        VALUE \"Translation\", 0x0804, 1200", "1 VERSIONINFO"})
        QVERIFY2(rc.split('\n').contains(QByteArray(line)), line);
    QCOMPARE(rcStrings(rc), kStrings);
    // The application icon it names is built.
    const QRegularExpression icon(QStringLiteral("^1 ICON \"([^\"]+)\"$"), QRegularExpression::MultilineOption);
    const auto m = icon.match(QString::fromUtf8(rc));
    QVERIFY(m.hasMatch());
    QVERIFY(QFile::exists(m.captured(1)));
}

// Compiled as a Windows build would, and read back from the compiled form.
void PackagingTest::windowsResourceCompiles()
{
    const QString windres = QStringLiteral("x86_64-w64-mingw32-windres");
    QTemporaryDir dir;
    const QString res = dir.filePath(QStringLiteral("corvane.res"));
    QByteArray out;
    QCOMPARE(run(windres, {QStringLiteral("--preprocessor=cpp"), QStringLiteral("-i"), binaryDir() + QStringLiteral("/packaging/corvane.rc"),
                           QStringLiteral("-O"), QStringLiteral("res"), QStringLiteral("-o"), res}, &out), 0);
    QCOMPARE(run(windres, {QStringLiteral("-i"), res, QStringLiteral("-J"), QStringLiteral("res"), QStringLiteral("-O"), QStringLiteral("rc")}, &out), 0);
    const QList<QByteArray> lines = out.split('\n');
    for (const char* line : {"LANGUAGE 4, 2", "1 VERSIONINFO", " FILEVERSION 5, 1, 0, 0", " PRODUCTVERSION 5, 1, 0, 0",
                             " FILEOS 0x4", " FILETYPE 0x1", "    BLOCK \"080404B0\"", "    VALUE \"Translation\", 0x804, 1200"})
        QVERIFY2(lines.contains(QByteArray(line)), line);
    QCOMPARE(rcStrings(out), kStrings);
    QCOMPARE(out.count("/* RT_ICON */"), 3);  // 16, 32 and 48 pixels
    QCOMPARE(out.count("/* RT_GROUP_ICON */"), 1);
}

void PackagingTest::versionRecordInTheExecutable()
{
    const QString exe = qEnvironmentVariable("CORVANE_EXE");
    QVERIFY(QFile::exists(exe));
    const auto pairs = versionSection(exe);
    QList<QPair<QString, QString>> expected = {
        {QStringLiteral("FileVersionNumber"), QStringLiteral("5.1.0.0")},
        {QStringLiteral("ProductVersionNumber"), QStringLiteral("5.1.0.0")},
        {QStringLiteral("Translation"), QStringLiteral("0x0804,1200")}};
    expected += kStrings;
    QCOMPARE(pairs, expected);
    // readelf lists the same strings.
    QByteArray listing;
    QCOMPARE(run(QStringLiteral("readelf"), {QStringLiteral("-p"), QStringLiteral(".corvane.version"), exe}, &listing), 0);
    QVERIFY(listing.contains("OriginalFilename=Corv5x.exe"));
}

void PackagingTest::iconFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<bool>("trueColour");
    QTest::newRow("application") << "corvane.ico" << QList<int>{16, 32, 48} << false;
    QTest::newRow("help") << "help.ico" << QList<int>{16, 24, 32, 48} << true;
    QTest::newRow("formats") << "formats.ico" << QList<int>{32} << false;
    QTest::newRow("about") << "about.ico" << QList<int>{16, 24, 32, 48} << true;
}

void PackagingTest::iconFiles()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, trueColour);
    const auto entries = icoEntries(binaryDir() + QStringLiteral("/packaging/icons/") + file);
    QCOMPARE(entries.size(), sizes.size() * (trueColour ? 2 : 1));
    for (int i = 0; i < entries.size(); ++i) {
        const IcoEntry& e = entries[i];
        const int side = sizes[i % sizes.size()];
        QCOMPARE(e.width, side);
        QCOMPARE(e.height, side);
        QCOMPARE(e.bits, i < sizes.size() ? 8 : 32);
        QCOMPARE(e.image.size(), QSize(side, side));
        QVERIFY(e.image.hasAlphaChannel());
        QCOMPARE(qAlpha(e.image.pixel(0, 0)), 0);                 // transparent corner
        QCOMPARE(qAlpha(e.image.pixel(side / 2, side / 2)), 255);  // opaque centre
    }
}

void PackagingTest::installedTree()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QByteArray log;
    QCOMPARE(run(qEnvironmentVariable("CORVANE_CMAKE"), {QStringLiteral("--install"), binaryDir(), QStringLiteral("--prefix"), prefix.path()},
                 &log, 120000), 0);
    const QDir root(prefix.path());
    const QString exe = root.filePath(QStringLiteral("bin/corvane"));
    const QString desktop = root.filePath(QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"));
    const QString metainfo = root.filePath(QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"));
    QVERIFY(QFile::exists(exe));
    QVERIFY(QFile::exists(desktop));
    QVERIFY(QFile::exists(metainfo));
    for (int side : {16, 32, 48}) {
        const QImage icon(root.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(side).arg(kAppId)));
        QCOMPARE(icon.size(), QSize(side, side));
        QVERIFY(icon.colorCount() > 0 && icon.colorCount() <= 256);  // stored with a palette
    }

    QByteArray out;
    QCOMPARE(run(QStringLiteral("desktop-file-validate"), {desktop}, &out), 0);
    QVERIFY2(!out.contains("error"), out.constData());
    QCOMPARE(run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, &out), 0);
    QCOMPARE(run(QStringLiteral("appstreamcli"), {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), prefix.path()}, &out), 0);

    // The entry's keys.
    const QString entry = QString::fromUtf8(readAll(desktop));
    auto key = [&](const QString& k) {
        const auto m = QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(k) + QStringLiteral("=(.*)$"),
                                          QRegularExpression::MultilineOption).match(entry);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    QCOMPARE(key(QStringLiteral("Exec")), QStringLiteral("corvane"));
    QCOMPARE(key(QStringLiteral("Icon")), kAppId);
    QCOMPARE(key(QStringLiteral("Categories")), QStringLiteral("AudioVideo;Player;Video;Audio;"));
    QVERIFY(key(QStringLiteral("Name[zh_CN]")).contains(QStringLiteral("媒体播放器")));
    QVERIFY(key(QStringLiteral("Comment[zh_CN]")).contains(QStringLiteral("播放")));
    const QStringList mime = key(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* type : {"audio/midi", "application/vnd.adobe.flash.movie", "video/x-ms-wmv", "audio/x-ms-wma",
                             "application/vnd.ms-asf", "audio/x-ms-asx", "video/x-msvideo", "audio/x-wav",
                             "video/mpeg", "audio/mpeg", "video/quicktime", "audio/mp2"})
        QVERIFY2(mime.contains(QLatin1String(type)), type);

    // The release and version strings in the metainfo.
    const QByteArray xml = readAll(metainfo);
    QVERIFY(xml.contains("<release version=\"5.1.0.0\""));
    QVERIFY(xml.contains("<value key=\"OriginalFilename\">Corv5x.exe</value>"));
    QVERIFY(xml.contains("<launchable type=\"desktop-id\">org.example.corvane.desktop</launchable>"));

    // The installed program still carries its version record.
    QCOMPARE(versionSection(exe).size(), kStrings.size() + 3);
}

QTEST_MAIN(PackagingTest)
#include "packaging_test.moc"
