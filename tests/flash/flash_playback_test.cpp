// The Flash display area plays, stops, resumes and replaces movies, as seen
// in screenshots of the display area.
#include "DispatchIds.h"
#include "FlashHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

// The frame shows the movie and nothing over it: all but the edges of the
// square and the stage (blended when scaled) is background, square, or the
// black letterbox beside the stage.
static bool onlyMovieColours(const QImage& frame, const SwfMovie& movie)
{
    const double known = FlashHarness::colourShare(frame, movie.background)
                         + FlashHarness::colourShare(frame, movie.square)
                         + FlashHarness::colourShare(frame, Qt::black);
    return known > 0.97;
}

// The home folder of this run: the player must leave it empty. A desktop
// session also has a runtime folder, where the sound system keeps its state.
static QTemporaryDir& home()
{
    static QTemporaryDir dir;
    return dir;
}
static QTemporaryDir& runtime()
{
    static QTemporaryDir dir;
    return dir;
}

class FlashPlaybackTest : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase();
    void idleControlStartsNothing();
    void playsStopsResumesAndReplaces();
    void muteSilencesAndRestores();
    void stopBeforeTheMovieShowsHoldsItsFirstFrame();
};

void FlashPlaybackTest::idleControlStartsNothing()
{
    FlashHarness h;
    FlashPlayer& p = h.player();
    p.call(dispid::flash::Play);
    p.call(dispid::flash::Stop);
    p.put(dispid::flash::Mute, true);
    QVERIFY(p.engine() == nullptr);
    QCOMPARE(p.get(dispid::flash::Movie).toText(), QString());
}

void FlashPlaybackTest::playsStopsResumesAndReplaces()
{
    FlashHarness h;
    FlashPlayer& p = h.player();

    // The square crosses the stage in 17 frames at 24 per second and the
    // movie loops, so no two shots 700 ms apart match while it plays.
    SwfMovie blue;
    blue.frameRate = 24;
    blue.frames = 17;
    const QString first = h.writeFile("first.swf", writeSwf(blue));
    p.put(dispid::flash::Movie, first);
    p.call(dispid::flash::Play);
    QCOMPARE(p.get(dispid::flash::Movie).toText(), first);
    QVERIFY2(h.waitForColour(blue.background, 0.3), "the movie's background never showed");
    QVERIFY2(h.waitForColour(blue.square, 0.01), "the square never showed");

    // Playing: the frames change, again and again.
    for (int i = 0; i < 3; ++i)
        QVERIFY2(h.waitForChange(h.shot()), "the movie does not move while playing");

    // Stopped: the frame stays shown and does not change.
    p.call(dispid::flash::Stop);
    const QImage still = h.waitForStill();
    QVERIFY2(!still.isNull(), "the movie went on moving after stop");
    QVERIFY(FlashHarness::colourShare(still, blue.background) > 0.3);
    QVERIFY(FlashHarness::colourShare(still, blue.square) > 0.01);
    QVERIFY2(onlyMovieColours(still, blue), "something covers the stopped frame");
    QTest::qWait(700);
    QCOMPARE(h.shot(), still);
    p.call(dispid::flash::Stop); // stopping twice changes nothing
    QTest::qWait(300);
    QCOMPARE(h.shot(), still);

    // Play resumes from where it stood.
    p.call(dispid::flash::Play);
    QVERIFY2(h.waitForChange(still), "play did not resume the movie");
    QVERIFY(h.waitForChange(h.shot()));

    // A second movie replaces the first: the first's colours go away. It is
    // large, so it reaches the page in several parts.
    SwfMovie green;
    green.background = QColor(0x30, 0xA0, 0x40);
    green.square = QColor(0xF0, 0xE0, 0x20);
    green.padding = 7 * 1024 * 1024;
    const QString second = h.writeFile("second.swf", writeSwf(green));
    p.call(dispid::flash::Stop);
    p.put(dispid::flash::Movie, second);
    QCOMPARE(p.get(dispid::flash::Movie).toText(), second);
    QVERIFY2(h.waitForColour(green.background, 0.3), "the second movie never showed");
    const QImage now = h.shot();
    QCOMPARE(FlashHarness::colourShare(now, blue.background), 0.0);
    QCOMPARE(FlashHarness::colourShare(now, blue.square), 0.0);
    // A new movie plays by itself, even after a stop.
    QVERIFY2(h.waitForChange(now), "the second movie does not play");
}

// The movie's volume as the page holds it; -1 when there is no answer.
static double volume(const FlashHarness& h)
{
    const QVariant v = h.evaluate(QStringLiteral("corvaneFlash.status().volume"));
    return v.isValid() && !v.isNull() ? v.toDouble() : -1;
}

void FlashPlaybackTest::muteSilencesAndRestores()
{
    FlashHarness h;
    FlashPlayer& p = h.player();
    SwfMovie movie;
    // Muted before the first movie: the movie starts silent.
    p.put(dispid::flash::Mute, true);
    QCOMPARE(p.get(dispid::flash::Mute).toBool(), true);
    p.put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    QVERIFY(h.waitForColour(movie.background, 0.3));
    QTRY_COMPARE(volume(h), 0.0);
    p.put(dispid::flash::Mute, false);
    QTRY_COMPARE(volume(h), 1.0);
    p.put(dispid::flash::Mute, true);
    QTRY_COMPARE(volume(h), 0.0);
    // A new movie keeps the box's word.
    p.put(dispid::flash::Movie, h.writeFile("n.swf", writeSwf(movie)));
    QTRY_COMPARE(h.evaluate(QStringLiteral("corvaneFlash.status().serial")).toInt(), 2);
    QVERIFY(h.waitForColour(movie.background, 0.3));
    QTRY_COMPARE(volume(h), 0.0);
    // Muting does not stop the picture.
    QVERIFY(h.waitForChange(h.shot()));
}

// Stop comes while the engine still starts and the page is not there yet:
// the movie still appears, and stands still.
void FlashPlaybackTest::stopBeforeTheMovieShowsHoldsItsFirstFrame()
{
    FlashHarness h;
    FlashPlayer& p = h.player();
    SwfMovie movie;
    movie.frameRate = 24;
    p.put(dispid::flash::Movie, h.writeFile("m.swf", writeSwf(movie)));
    p.call(dispid::flash::Play);
    p.call(dispid::flash::Stop);
    QVERIFY(h.waitForColour(movie.background, 0.3));
    const QImage still = h.waitForStill();
    QVERIFY2(!still.isNull(), "the movie plays although it was stopped");
    QVERIFY(FlashHarness::colourShare(still, movie.square) > 0.01);
    QVERIFY2(onlyMovieColours(still, movie), "something covers the stopped frame");
    QTest::qWait(700);
    QCOMPARE(h.shot(), still);
    p.call(dispid::flash::Play);
    QVERIFY(h.waitForChange(still));
}

void FlashPlaybackTest::cleanupTestCase()
{
    QStringList left;
    QDirIterator it(home().path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
}

int main(int argc, char** argv)
{
    qputenv("HOME", QFile::encodeName(home().path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime().path()));
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    FlashPlaybackTest t;
    return runFlashTests(&t, argc, argv);
}

#include "flash_playback_test.moc"
