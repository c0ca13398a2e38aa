// What a movie loads itself, in the real main window's Flash display area: the files of
// its own folder and below (pictures, movies, texts, XML, sounds), by the names it knows them by, and nothing
// outside that folder. One display area serves all.
#include "FlashAreaTest.h"
#include "LoaderMovie.h"
#include "RichMovies.h"
#include "SwfActions.h"
#include "SwfWriter.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <fcntl.h>
#include <ftw.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringConverter>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int StageWidth = 200, StageHeight = 150, Bands = 5;

// A picture of the stage's size, clear but for `colour` in one of five bands of rows (or
// all of it when band is -1), as a PNG: a movie that loads several shows each in its band.
QImage picture(const QColor& colour, int band = -1)
{
    QImage image(StageWidth, StageHeight, QImage::Format_ARGB32);
    image.fill(band < 0 ? colour : QColor(Qt::transparent));
    const int rows = StageHeight / Bands;
    for (int y = band * rows; band >= 0 && y < (band + 1) * rows; ++y)
        for (int x = 0; x < StageWidth; ++x)
            image.setPixelColor(x, y, colour);
    return image;
}

QString savePicture(const QString& dir, const QString& name, const QColor& colour, int band = -1)
{
    const QString path = QDir(dir).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return picture(colour, band).save(path, "PNG") ? path : QString();
}

// A picture saved under a name of these bytes, which need not be UTF-8.
bool savePictureAs(const QString& dir, const QByteArray& name, const QColor& colour, int band)
{
    const int fd = ::open((QFile::encodeName(dir) + '/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QFile file;
    return fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
            && picture(colour, band).save(&file, "PNG");
}

// An AVM1 movie of one frame (its actions run once) that loads each of `urls` into a clip
// of its own, the later over the earlier.
QByteArray avm1Loading(const QStringList& urls, const QColor& background = QColor(0x20, 0x40, 0x80))
{
    SwfMovie movie;
    movie.frames = 1;
    movie.background = background;
    for (int i = 0; i < urls.size(); ++i)
        movie.firstFrameActions += loadClipActions(urls[i], 10 + i);
    return writeSwf(movie);
}

int removeEntry(const char* path, const struct stat*, int, FTW*) { return ::remove(path); }

}  // namespace

class FlashFolderTest : public FlashAreaTest {
    Q_OBJECT

    // The colour never shows in the area while the movie plays on for two seconds.
    bool neverShows(const QColor& c)
    {
        QElapsedTimer watched;
        watched.start();
        bool seen = false;
        waitFor([&] { return (seen = share(shot(), c) > 0.002) || watched.hasExpired(2000); }, 5000);
        return !seen;
    }

private slots:
    void initTestCase() { openWindow(QPoint(940, 600)); }
    // By their bytes: Qt removes no file whose name is not UTF-8.
    void cleanupTestCase()
    {
        ::nftw(QFile::encodeName(dir_.path()).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    // An AVM1 movie loads a picture with loadMovie, one from a folder below its own with
    // a MovieClipLoader, and a large movie (50 MB) beside it; an AVM2 movie loads a movie
    // and a picture with Loaders. Each shows.
    void moviesLoadWhatLiesBesideThem()
    {
        const QString one = dir_.filePath("one");
        const QColor pic(0xF0, 0xA0, 0x20), deeper(0x20, 0xD0, 0xD0), child(0xA0, 0x20, 0xF0);
        QVERIFY(!savePicture(one, "pic.png", pic, 0).isEmpty());
        QVERIFY(!savePicture(one, "sub/deeper.png", deeper, 4).isEmpty());
        SwfMovie large;
        large.square = child, large.padding = 50 << 20;
        QVERIFY(!writeFile(one, "child.swf", writeSwf(large)).isEmpty());
        SwfMovie avm1;
        avm1.frames = 1;
        avm1.loadMovies = {"pic.png"};
        avm1.firstFrameActions = loadClipActions("sub/deeper.png", 10) + loadClipActions("child.swf", 11);
        show("one/avm1.swf", writeSwf(avm1));
        QVERIFY2(shows(pic, 0.03), "loadMovie of a picture beside the movie showed nothing");
        QVERIFY2(shows(deeper, 0.03), "a picture in a folder below the movie's did not show");
        QVERIFY2(shows(child, 0.005, 60000), "the large movie beside it did not show");

        const QString two = dir_.filePath("two");
        const QColor marker(0x40, 0xC0, 0x40), band(0xF0, 0x60, 0xA0), background(0x30, 0x30, 0x30);
        RichMovie rich;
        rich.marker = marker;
        QVERIFY(!writeFile(two, "rich.swf", writeAvm2Movie(rich)).isEmpty());
        QVERIFY(!savePicture(two, "band.png", band, 2).isEmpty());
        show("two/avm2.swf", writeAvm2LoaderMovie(background, {"rich.swf", "band.png"}));
        QVERIFY2(shows(marker, 0.1), "a Loader's movie beside the movie did not show");
        QVERIFY2(shows(band, 0.03), "a Loader's picture beside the movie did not show");
    }

    // Texts, XML and sounds beside the movie reach it through each way a movie reads them:
    // AVM1's LoadVars, XML.load and Sound.loadSound, AVM2's URLLoader and Sound. A sound
    // that is not there is a failed load to the movie.
    void textsAndSoundsLoad()
    {
        const QString three = dir_.filePath("three");
        const QColor vars(0xF0, 0x80, 0x30), xml(0x30, 0xF0, 0xB0), sound(0xB0, 0x30, 0xF0), missing(0xF0, 0xF0, 0x80);
        QVERIFY(!writeFile(three, "vars.txt", "c=vars&other=1").isEmpty());
        QVERIFY(!writeFile(three, "data.xml", "<colour c=\"xml\"><more/></colour>").isEmpty());
        QVERIFY(!writeFile(three, "colour.txt", QByteArray::number(vars.rgb() & 0xffffff)).isEmpty());
        QVERIFY(!makeMedia(three, "tone.mp3", lavfi("sine=frequency=440", 0.5)).isEmpty());
        const auto avm1 = [](const QByteArray& actions) {
            SwfMovie movie;
            movie.frames = 1;
            movie.firstFrameActions = actions;
            return writeSwf(movie);
        };
        const QList<std::pair<QString, QRgb>> colours{
                {"vars", vars.rgb()}, {"xml", xml.rgb()}, {"true", sound.rgb()}, {"false", missing.rgb()}};
        show("three/vars.swf", avm1(loadedColourActions(Loaded::Vars, "vars.txt", colours)));
        QVERIFY2(shows(vars), "LoadVars read nothing beside the movie");
        show("three/xml.swf", avm1(loadedColourActions(Loaded::Xml, "data.xml", colours)));
        QVERIFY2(shows(xml), "XML.load read nothing beside the movie");
        show("three/sound.swf", avm1(loadedColourActions(Loaded::Sound, "tone.mp3", colours)));
        QVERIFY2(shows(sound), "Sound.loadSound did not load the sound beside the movie");
        show("three/none.swf", avm1(loadedColourActions(Loaded::Sound, "none.mp3", colours)));
        QVERIFY2(shows(missing), "a missing sound was not a failed load to the movie");

        show("three/fetch.swf", writeAvm2FetchMovie(QColor(0x30, 0x30, 0x30), "colour.txt", "tone.mp3", sound));
        QVERIFY2(shows(vars, 0.3), "URLLoader read nothing beside the movie");
        QVERIFY2(shows(sound, 0.3), "an AVM2 Sound did not load the sound beside the movie");
    }

    // Names climbing out of the folder, absolute paths and URLs, and links leading out get
    // nothing, from either kind of movie, while a picture beside it shows.
    void nothingOutsideTheFolder()
    {
        const QString top = dir_.filePath("jail"), inner = dir_.filePath("jail/inner");
        const QColor outside(0xE0, 0xE0, 0x40), beside(0x40, 0x80, 0xF0);
        const QString outsidePath = savePicture(top, "outside.png", outside);
        QVERIFY(!outsidePath.isEmpty());
        QVERIFY(!savePicture(inner, "beside.png", beside, 1).isEmpty());
        QVERIFY(QFile::link("../outside.png", inner + "/link.png"));
        QVERIFY(QFile::link("..", inner + "/up"));
        const QStringList escapes{"../outside.png",
                                  "..%2Foutside.png",
                                  "sub/../../outside.png",
                                  outsidePath,
                                  QUrl::fromLocalFile(outsidePath).toString(),
                                  "link.png",
                                  "up/outside.png"};
        show("jail/inner/avm1.swf", avm1Loading(escapes + QStringList{"beside.png"}));
        QVERIFY(shows(beside, 0.03));
        QVERIFY2(neverShows(outside), "an AVM1 movie read a file outside its folder");

        show("jail/inner/avm2.swf",
             writeAvm2LoaderMovie(QColor(0x30, 0x30, 0x30), escapes + QStringList{"beside.png"}));
        QVERIFY(shows(beside, 0.03));
        QVERIFY2(neverShows(outside), "an AVM2 movie read a file outside its folder");
    }

    // Files named in Chinese, with a space, '#', '%' and '?', load by the names the movie
    // knows them by; what follows a '?' that names no file is a query, and a file named
    // in GBK on disk loads by its name in Chinese.
    void namesAsTheMovieKnowsThem()
    {
        const QString dir = dir_.filePath("名字 folder");
        const QList<QColor> colours{QColor(0xF0, 0x40, 0x40), QColor(0x40, 0xF0, 0x80), QColor(0xF0, 0x90, 0xF0),
                                    QColor(0x90, 0x60, 0x20), QColor(0xC0, 0xF0, 0x20)};
        QVERIFY(!savePicture(dir, "图片 一.png", colours[0], 0).isEmpty());
        QVERIFY(!savePicture(dir, "a b#1%.png", colours[1], 1).isEmpty());
        QVERIFY(!savePicture(dir, "what?.png", colours[2], 2).isEmpty());
        QVERIFY(!savePicture(dir, "game.png", colours[3], 3).isEmpty());
        QStringEncoder gbk("GB18030");
        QVERIFY(gbk.isValid());
        const QByteArray gbkName = gbk.encode(QStringLiteral("图片二.png"));
        QVERIFY(QString::fromUtf8(gbkName).toUtf8() != gbkName);  // not UTF-8
        QVERIFY(savePictureAs(dir, gbkName, colours[4], 4));
        show("名字 folder/影片 #1.swf",
             avm1Loading({"图片 一.png", "a b#1%.png", "what?.png", "game.png?level=2", "图片二.png"}));
        for (const QColor& c : colours)
            QVERIFY2(shows(c, 0.03), qPrintable(c.name()));

        // A movie of before version 6 holds its names in the code page of the system it
        // was made on, here GBK: its file loads whether it was named in GBK or in UTF-8.
        const QColor utf8Named(0x60, 0x90, 0xF0), gbkNamed(0xF0, 0xD0, 0x60);
        QVERIFY(!savePicture(dir, "旧图一.png", utf8Named).isEmpty());
        QVERIFY(savePictureAs(dir, gbk.encode(QStringLiteral("旧图二.png")), gbkNamed, -1));
        for (const auto& [name, colour] : {std::pair{"旧图一.png", utf8Named}, std::pair{"旧图二.png", gbkNamed}}) {
            SwfMovie old;
            old.version = 5;
            old.loadMovies = {QString::fromUtf8(name)};
            show(QStringLiteral("名字 folder/旧 %1.swf").arg(colour.name().mid(1)), writeSwf(old));
            QVERIFY2(shows(colour, 0.3), name);
        }
    }
};

CORVANE_WIDGET_TEST_MAIN(FlashFolderTest)

#include "flash_folder_test.moc"
