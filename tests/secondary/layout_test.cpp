// The three windows as loaded from their layouts: frames, places, fonts as
// the installed faces resolve them, colours and icon images.
#include "Form2.h"
#include "Icons.h"
#include "SecondaryTestSupport.h"
#include "SecondaryWindows.h"

#include <QApplication>
#include <algorithm>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace corvane;
using corvane::test::control;

namespace {
QWidget* open(SecondaryWindows& s, const QString& form)
{
    if (form == QLatin1String("Form2")) s.showHelp();
    if (form == QLatin1String("Form3")) s.showFormats();
    if (form == QLatin1String("Form4")) s.showAbout();
    return form == QLatin1String("Form2") ? s.helpWindow() : form == QLatin1String("Form3") ? s.formatsWindow() : s.aboutWindow();
}

QList<int> sidesOf(const QIcon& icon)
{
    QList<int> sides;
    for (QSize s : icon.availableSizes()) {
        if (s.width() != s.height()) return {};
        sides << s.width();
    }
    std::sort(sides.begin(), sides.end());
    return sides;
}

void checkFont(QWidget* w, const char* family, int pixels, bool bold)
{
    QVERIFY2(w, "control missing");
    const QFontInfo info(w->font());
    QCOMPARE(info.family(), QString::fromLatin1(family));
    QCOMPARE(info.pixelSize(), pixels);
    QCOMPARE(info.bold(), bold);
    QVERIFY(!info.italic());
    QVERIFY(!info.underline());
    QVERIFY(!info.strikeOut());
}
} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void frames_data();
    void frames();
    void helpTextBox();
    void formatsLabels();
    void aboutBox();
    void iconPictures();
    void screenshots();
};

void LayoutTest::frames_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QList<int>>("iconSizes");
    QTest::newRow("help") << "Form2" << QStringLiteral("使用说明") << QSize(370, 378) << QList<int>{16, 24, 32, 48};
    QTest::newRow("formats") << "Form3" << QStringLiteral("格式列表") << QSize(290, 206) << QList<int>{32};
    QTest::newRow("about") << "Form4" << QStringLiteral("关于") << QSize(290, 234) << QList<int>{16, 24, 32, 48};
}

void LayoutTest::frames()
{
    QFETCH(QString, form);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(QList<int>, iconSizes);
    SecondaryWindows s;
    QWidget* w = open(s, form);
    QVERIFY(w);
    QCOMPARE(w->objectName(), form);
    QCOMPARE(w->windowTitle(), caption);
    QVERIFY(w->isWindow());
    QVERIFY(!w->parentWidget());
    QCOMPARE(w->size(), client);
    QCOMPARE(w->minimumSize(), client);
    QCOMPARE(w->maximumSize(), client);
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!w->isModal());
    QCOMPARE(sidesOf(w->windowIcon()), iconSizes);
}

void LayoutTest::helpTextBox()
{
    SecondaryWindows s;
    QWidget* w = open(s, QStringLiteral("Form2"));
    auto* text = control<QPlainTextEdit>(w, QStringLiteral("Text1"));
    QVERIFY(text);
    QCOMPARE(w->findChildren<QPlainTextEdit*>().size(), 1);
    // 5595 x 5655 twips: 3 pixels past the right edge, 1 short of the bottom.
    QCOMPARE(text->geometry(), QRect(0, 0, 373, 377));
    checkFont(w, "AR PL SungtiL GB", 14, false);
    checkFont(text, "AR PL SungtiL GB", 14, false);
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(text->frameShadow(), QFrame::Sunken);
    QCOMPARE(text->toPlainText(), secondary::helpText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
    QCOMPARE(w->focusWidget(), text);
    // Every line of the text fits the box: none wraps onto a second row.
    QCOMPARE(text->document()->blockCount(), 34);  // 33 lines and the empty one after the last line end
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next()) {
        QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(b.text()));
    }
    QCOMPARE(QFontMetrics(text->font()).horizontalAdvance(QString(25, QChar(0x4E2D))), 350);
}

void LayoutTest::formatsLabels()
{
    SecondaryWindows s;
    QWidget* w = open(s, QStringLiteral("Form3"));
    checkFont(w, "AR PL SungtiL GB", 12, false);
    struct Row { const char* name; int index; QRect rect; const char* caption; };
    const Row rows[] = {
        {"Label4", -1, {8, 8, 281, 33}, "Corvane 5X可以支持的文件播放格式及扩展名如下"},
        {"Label1", 0, {8, 48, 297, 17}, "视频：*.avi"},
        {"Label1", 1, {8, 72, 297, 17}, "音频：*.wav"},
        {"Label1", 2, {8, 96, 297, 17}, "数字：*.mid *.midi *.rmi"},
        {"Label1", 3, {8, 120, 297, 25}, "媒体：*.wmv *.wma *.wmx *.wmp *.wm *.wvx *.wax          *.asf *.asx"},
        {"Label2", -1, {8, 152, 305, 25}, "电影：*.mpeg *.mpg *.mpe *.m1v *.mp2 *.mpv2              *.mp2v *.mpa *.mp3"},
        {"Label3", -1, {8, 184, 305, 17}, "动画：*.swf"},
    };
    QCOMPARE(w->findChildren<QLabel*>().size(), 7);
    for (const Row& r : rows) {
        auto* label = control<QLabel>(w, QString::fromLatin1(r.name), r.index);
        QVERIFY2(label, r.name);
        QCOMPARE(label->geometry(), r.rect);
        QCOMPARE(label->text(), QString::fromUtf8(r.caption));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
        checkFont(label, "AR PL SungtiL GB", 12, false);
        QVERIFY(label->autoFillBackground());
    }
}

void LayoutTest::aboutBox()
{
    SecondaryWindows s;
    QWidget* w = open(s, QStringLiteral("Form4"));
    auto* picture = control<QFrame>(w, QStringLiteral("Picture1"));
    QVERIFY(picture);
    QCOMPARE(picture->geometry(), QRect(0, 0, 289, 233));
    QCOMPARE(picture->frameShadow(), QFrame::Sunken);
    QCOMPARE(picture->frameWidth(), 2);
    const QPoint in = picture->contentsRect().topLeft();
    struct Line { const char* name; int index; QRect rect; const char* family; int px; bool bold; };
    const Line lines[] = {
        {"Label1", -1, {8, 8, 297, 33}, "Comic Neue", 27, true},
        {"Label3", -1, {56, 64, 185, 33}, "Liberation Sans", 29, true},
        {"Label4", -1, {16, 112, 81, 17}, "AR PL SungtiL GB", 14, false},
        {"Label5", 0, {16, 128, 145, 17}, "AR PL SungtiL GB", 14, false},
        {"Label5", 1, {16, 144, 257, 17}, "AR PL SungtiL GB", 14, false},
        {"Label5", 3, {16, 160, 145, 17}, "AR PL SungtiL GB", 14, false},
        {"Label5", 4, {16, 176, 145, 17}, "AR PL SungtiL GB", 14, false},
        {"Label5", 2, {16, 192, 145, 17}, "AR PL SungtiL GB", 14, false},
        {"Label2", -1, {208, 208, 73, 25}, "Liberation Sans Narrow", 16, true},
    };
    QCOMPARE(picture->findChildren<QLabel*>().size(), 9);
    for (const Line& l : lines) {
        auto* label = control<QLabel>(w, QString::fromLatin1(l.name), l.index);
        QVERIFY2(label, l.name);
        QCOMPARE(label->parentWidget(), picture);
        QCOMPARE(label->geometry(), l.rect.translated(in));
        checkFont(label, l.family, l.px, l.bold);
        // Each text is on one line inside its label, nothing wraps away.
        const QFontMetrics fm(label->font());
        QVERIFY2(fm.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        QVERIFY2(fm.height() <= label->height(), qPrintable(label->text()));
        const QColor expected = QLatin1String(l.name) == QLatin1String("Label3")
                                    ? QColor(255, 0, 0)
                                    : QApplication::palette().color(QPalette::ButtonText);
        QCOMPARE(label->palette().color(label->foregroundRole()), expected);
    }
    QCOMPARE(control<QLabel>(w, QStringLiteral("Label1"))->text(), QStringLiteral("Corvane"));
    QCOMPARE(control<QLabel>(w, QStringLiteral("Label3"))->text(), QStringLiteral("Full Edition"));
    QCOMPARE(control<QLabel>(w, QStringLiteral("Label2"))->text(), QStringLiteral("Version 5.1"));
    // The six author lines: field name, full-width colon, value; the e-mail
    // address on a reserved example domain.
    for (int i : {-1, 0, 1, 2, 3, 4}) {
        const QString t = control<QLabel>(w, i < 0 ? QStringLiteral("Label4") : QStringLiteral("Label5"), i)->text();
        QVERIFY2(t.indexOf(QStringLiteral("：")) > 0 && !t.endsWith(QStringLiteral("：")), qPrintable(t));
    }
    QVERIFY(control<QLabel>(w, QStringLiteral("Label5"), 2)->text().endsWith(QLatin1String("@example.org")));
}

void LayoutTest::iconPictures()
{
    QCOMPARE(sidesOf(appIcon()), (QList<int>{16, 32, 48}));
    QCOMPARE(sidesOf(formatsIcon()), QList<int>{32});
    for (int side : {16, 32, 48}) {
        const QImage img = appIcon().pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(img.size(), QSize(side, side));
        QSet<QRgb> colours;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const QRgb c = img.pixel(x, y);
                QVERIFY(qAlpha(c) == 0 || qAlpha(c) == 255);  // a 256-colour image: opaque or not there
                colours.insert(c);
            }
        QVERIFY(colours.size() <= 256);
    }
    // The pictures, sampled at 48 pixels.
    const QImage app = appIcon().pixmap(48).toImage();
    auto is = [](QRgb c, int r, int g, int b) { return qAbs(qRed(c) - r) < 40 && qAbs(qGreen(c) - g) < 40 && qAbs(qBlue(c) - b) < 40; };
    QVERIFY(is(app.pixel(8, 8), 0xE5, 0x39, 0x35));
    QVERIFY(is(app.pixel(39, 8), 0x43, 0xA0, 0x47));
    QVERIFY(is(app.pixel(8, 39), 0x1E, 0x88, 0xE5));
    QVERIFY(is(app.pixel(39, 39), 0xFD, 0xD8, 0x35));
    QVERIFY(qGray(app.pixel(24, 24)) < 90);  // the dark disc
    QCOMPARE(qAlpha(app.pixel(0, 0)), 0);      // rounded corner

    const QImage help = helpIcon().pixmap(48).toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(qBlue(help.pixel(10, 24)) > 2 * qRed(help.pixel(10, 24)));  // blue disc
    QVERIFY(qGray(help.pixel(24, 38)) > 230);                           // the dot of the mark
    QCOMPARE(qAlpha(help.pixel(1, 1)), 0);

    const QImage star = aboutIcon().pixmap(48).toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb centre = star.pixel(24, 26);
    QVERIFY(qRed(centre) > 200 && qGreen(centre) > 130 && qBlue(centre) < 90);  // gold
    QCOMPARE(qAlpha(star.pixel(24, 40)), 0);  // between the two lower points
    QCOMPARE(qAlpha(star.pixel(2, 2)), 0);

    const QImage formats = formatsIcon().pixmap(32).toImage();
    QSet<QRgb> opaque;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(formats.pixel(x, y)) == 255) opaque.insert(formats.pixel(x, y) & 0xF0F0F0);
    QVERIFY(opaque.size() >= 6);  // the coloured squares, frame, title bar, client area
}

// With CORVANE_SHOT_DIR set, saves a picture of each window there.
void LayoutTest::screenshots()
{
    const QString dir = qEnvironmentVariable("CORVANE_SHOT_DIR");
    if (dir.isEmpty()) QSKIP("CORVANE_SHOT_DIR not set");
    SecondaryWindows s;
    for (const char* form : {"Form2", "Form3", "Form4"}) {
        QWidget* w = open(s, QString::fromLatin1(form));
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(form) + QStringLiteral(".png")));
    }
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
