// The formats window: a click on any of its seven lines closes it, a click
// beside them does not; the two long rows wrap inside their runs of spaces.
#include "SecondaryTestSupport.h"
#include "SecondaryWindows.h"

#include <QFontMetrics>
#include <QPointer>
#include <QTest>
#include <QTextLayout>

using namespace corvane;
using corvane::test::control;
using corvane::test::flushDeletes;

namespace {
// Left and right ends of the ink in rows [top, bottom) of an image, or
// (-1, -1) when the rows are blank.
QPair<int, int> inkSpan(const QImage& img, QRgb background, int top, int bottom)
{
    int left = -1, right = -1;
    for (int y = top; y < bottom && y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qAbs(qGray(c) - qGray(background)) > 60) {
                if (left < 0 || x < left) left = x;
                right = qMax(right, x);
            }
        }
    return {left, right};
}

// The lines a caption breaks into at the label's width, by the font's metrics.
QStringList wrapped(const QLabel* label)
{
    QTextLayout layout(label->text(), label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->width());
        lines << label->text().mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}
} // namespace

class FormatsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }
    void clickOnALineCloses_data();
    void clickOnALineCloses();
    void clickBesideTheLinesDoesNothing();
    void longRowsWrapInsideTheirSpaces_data();
    void longRowsWrapInsideTheirSpaces();
};

void FormatsTest::clickOnALineCloses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("Label1(0)") << "Label1" << 0 << QPoint(5, 8);
    QTest::newRow("Label1(1)") << "Label1" << 1 << QPoint(200, 8);   // right of the text
    QTest::newRow("Label1(2)") << "Label1" << 2 << QPoint(30, 2);
    QTest::newRow("Label1(3)") << "Label1" << 3 << QPoint(10, 20);   // on the second line
    QTest::newRow("Label2") << "Label2" << -1 << QPoint(100, 5);
    QTest::newRow("Label3") << "Label3" << -1 << QPoint(280, 16);    // clipped part is outside; this is not
    QTest::newRow("Label4 title") << "Label4" << -1 << QPoint(100, 25);
}

void FormatsTest::clickOnALineCloses()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QPoint, at);
    SecondaryWindows s;
    s.showFormats();
    QPointer<QWidget> window = s.formatsWindow();
    auto* label = control<QLabel>(window, name, index);
    QVERIFY(label);
    QVERIFY(label->rect().contains(at));

    // Pressed on the line and released away from it: no click.
    QTest::mousePress(label, Qt::LeftButton, {}, at);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-30, -30));
    QVERIFY(s.formatsWindow());

    QTest::mouseClick(label, Qt::LeftButton, {}, at);
    QVERIFY(!s.formatsWindow());
    flushDeletes();
    QVERIFY(window.isNull());
}

void FormatsTest::clickBesideTheLinesDoesNothing()
{
    SecondaryWindows s;
    s.showFormats();
    QWidget* window = s.formatsWindow();
    const QPoint points[] = {
        {3, 3},      // top-left margin
        {3, 100},    // left margin beside a row
        {100, 44},   // between the title and the first row (615 to 720 twips)
        {100, 68},   // between the first two rows
        {100, 147},  // between the media and movie rows
        {100, 180},  // between the movie and Flash rows
        {150, 203},  // under the last row
        {289, 20},   // right of the title
    };
    for (QPoint p : points) {
        QVERIFY2(!window->childAt(p), qPrintable(QStringLiteral("%1,%2 is on a label").arg(p.x()).arg(p.y())));
        QTest::mouseClick(window, Qt::LeftButton, {}, p);
        QTest::mouseDClick(window, Qt::LeftButton, {}, p);
        QCOMPARE(s.formatsWindow(), window);
    }
    QVERIFY(window->isVisible());
}

void FormatsTest::longRowsWrapInsideTheirSpaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("secondLine");
    QTest::newRow("media") << "Label1" << 3 << QStringLiteral("媒体：*.wmv *.wma *.wmx *.wmp *.wm *.wvx *.wax")
                           << QStringLiteral("*.asf *.asx");
    QTest::newRow("movie") << "Label2" << -1 << QStringLiteral("电影：*.mpeg *.mpg *.mpe *.m1v *.mp2 *.mpv2")
                           << QStringLiteral("*.mp2v *.mpa *.mp3");
}

void FormatsTest::longRowsWrapInsideTheirSpaces()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, firstLine);
    QFETCH(QString, secondLine);
    SecondaryWindows s;
    s.showFormats();
    auto* label = control<QLabel>(s.formatsWindow(), name, index);
    QVERIFY(label);

    // By the installed font's metrics: the break falls after the run of
    // spaces, which hang at the end of the first line.
    const QStringList lines = wrapped(label);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].trimmed(), firstLine);
    QCOMPARE(lines[1], secondLine);
    const QFontMetrics fm(label->font());
    QVERIFY(2 * fm.lineSpacing() <= label->height() + 1);

    // As drawn: ink on two lines, the second starting at the left edge with
    // exactly the second line's text.
    const QImage img = label->grab().toImage();
    const QRgb background = label->palette().color(label->backgroundRole()).rgb();
    const int split = fm.lineSpacing();
    const auto first = inkSpan(img, background, 0, split);
    const auto second = inkSpan(img, background, split, label->height());
    QVERIFY(first.first >= 0 && first.first <= 2);
    QVERIFY(first.second <= fm.horizontalAdvance(firstLine));
    QVERIFY(first.second >= fm.horizontalAdvance(firstLine) - fm.averageCharWidth() - 2);
    QVERIFY(second.first >= 0 && second.first <= 2);
    QVERIFY(second.second <= fm.horizontalAdvance(secondLine));
    QVERIFY(second.second >= fm.horizontalAdvance(secondLine) - fm.averageCharWidth() - 2);

    // The short rows and the title stay on one line.
    for (auto [n, i] : {std::pair{"Label1", 0}, std::pair{"Label1", 1}, std::pair{"Label1", 2},
                        std::pair{"Label3", -1}, std::pair{"Label4", -1}})
        QCOMPARE(wrapped(control<QLabel>(s.formatsWindow(), QString::fromLatin1(n), i)).size(), 1);
}

QTEST_MAIN(FormatsTest)
#include "formats_test.moc"
