// The help, formats and about windows: layout, lifetime and what closes them.
#include "Form1.h"
#include "Form2.h"
#include "Icons.h"
#include "SecondaryWindows.h"

#include <algorithm>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace corvane;

namespace {
// 0 help, 1 formats, 2 about. (A switch, not an array of member pointers:
// the bounds sanitizer misreads indexes into such arrays.)
QWidget* loaded(SecondaryWindows& s, int which)
{
    return which == 0 ? s.helpWindow() : which == 1 ? s.formatsWindow() : s.aboutWindow();
}
QWidget* open(SecondaryWindows& s, int which)
{
    which == 0 ? s.showHelp() : which == 1 ? s.showFormats() : s.showAbout();
    return loaded(s, which);
}
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A control by its layout name and array index (-1: none).
template <class T = QWidget>
T* control(QWidget* window, const char* name, int index = -1)
{
    for (T* w : window->findChildren<T*>(QString::fromLatin1(name)))
        if (w->property("index").toInt() == index || (index < 0 && !w->property("index").isValid()))
            return w;
    return nullptr;
}

QList<int> sidesOf(const QIcon& icon)
{
    QList<int> sides;
    for (QSize s : icon.availableSizes())
        sides << (s.width() == s.height() ? s.width() : -1);
    std::sort(sides.begin(), sides.end());
    return sides;
}
}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }
    void layout();
    void lifecycle();
    void besideTheMainWindow();
    void whatClosesHelpAndFormats();
};

// Frames, key places and the faces as installed (asked: 宋体, Comic Sans MS, Arial, Impact).
void WindowsTest::layout()
{
    const struct {
        const char* caption;
        QSize client;
        QList<int> iconSides;
    } frames[] = {{"使用说明", {370, 378}, {16, 24, 32, 48}},
                  {"格式列表", {290, 206}, {32}},
                  {"关于", {290, 234}, {16, 24, 32, 48}}};
    SecondaryWindows s;
    for (int which = 0; which < 3; ++which) {
        QWidget* w = open(s, which);
        QVERIFY(w && w->isWindow() && !w->parentWidget() && !w->isModal());
        QCOMPARE(w->windowTitle(), QString::fromUtf8(frames[which].caption));
        QCOMPARE(QList<QSize>({w->size(), w->minimumSize(), w->maximumSize()}), QList<QSize>(3, frames[which].client));
        QCOMPARE(w->windowFlags()
                         & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
                 Qt::WindowCloseButtonHint);
        QCOMPARE(sidesOf(w->windowIcon()), frames[which].iconSides);
    }
    QCOMPARE(sidesOf(appIcon()), (QList<int>{16, 32, 48}));

    const char* song = "AR PL SungtiL GB";
    const struct {
        int which;
        const char* name;
        int index;
        QRect rect;
        const char* family;
        int pixels;
        bool bold;
    } controls[] = {
            {0, "Text1", -1, {0, 0, 373, 377}, song, 14, false},  // 3 pixels past the right edge, 1 short of the bottom
            {1, "Label4", -1, {8, 8, 281, 33}, song, 12, false},
            {1, "Label2", -1, {8, 152, 305, 25}, song, 12, false},
            // Inside the picture box's two-pixel edge.
            {2, "Label1", -1, {10, 10, 297, 33}, "Comic Neue", 27, true},
            {2, "Label3", -1, {58, 66, 185, 33}, "Liberation Sans", 29, true},
            {2, "Label4", -1, {18, 114, 81, 17}, song, 14, false},
            {2, "Label2", -1, {210, 210, 73, 25}, "Liberation Sans Narrow", 16, true},
    };
    for (const auto& c : controls) {
        QWidget* w = loaded(s, c.which);
        QWidget* widget = control(w, c.name, c.index);
        QVERIFY2(widget, c.name);
        QCOMPARE(QRect(widget->mapTo(w, QPoint()), widget->size()), c.rect);
        const QFontInfo info(widget->font());
        QCOMPARE(info.family(), QString::fromLatin1(c.family));
        QCOMPARE(QList<int>({info.pixelSize(), info.bold(), info.italic(), info.underline()}),
                 QList<int>({c.pixels, c.bold, 0, 0}));
    }

    // With those faces no help line wraps and no about text is cut off.
    auto* text = control<QPlainTextEdit>(s.helpWindow(), "Text1");
    QCOMPARE(text->toPlainText(), secondary::helpText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
        QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(b.text()));
    const auto labels = s.aboutWindow()->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 9);
    for (QLabel* l : labels)
        QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width()
                         && QFontMetrics(l->font()).height() <= l->height(),
                 qPrintable(l->text()));
    QCOMPARE(control<QLabel>(s.aboutWindow(), "Label3")->palette().color(QPalette::ButtonText), QColor(Qt::red));
}

// One instance each, centred, raised when shown again, unloaded by a close
// and built afresh on the next showing.
void WindowsTest::lifecycle()
{
    auto s = std::make_unique<SecondaryWindows>();
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QWidget other;
    other.show();
    QList<QPointer<QWidget>> reopened;
    for (int which = 0; which < 3; ++which) {
        QPointer<QWidget> first = open(*s, which);
        QVERIFY(first && first->isVisible() && (first->frameGeometry().center() - centre).manhattanLength() <= 2);
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(open(*s, which), first.data());
        QVERIFY(QTest::qWaitForWindowActive(first));

        // Unloaded at once; shown again before the old one is gone.
        QVERIFY(first->close());
        QVERIFY(!loaded(*s, which));
        reopened << open(*s, which);
        QVERIFY(reopened.last() && reopened.last() != first && reopened.last()->isVisible());
        flushDeletes();
        QVERIFY(first.isNull());
    }
    s.reset();  // the end of the run takes the open windows with it
    for (const auto& w : reopened)
        QVERIFY(w.isNull());
}

// With the real main window: its menu opens the windows, closing it leaves
// them open, and the run ends when the last of them is closed.
void WindowsTest::besideTheMainWindow()
{
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    SecondaryWindows s;
    QPointer<Form1> main = new Form1(s, {QStringLiteral("null"), QStringLiteral("null")});
    main->show();
    for (const char* item : {"help", "former", "about"})
        main->menuItem(QString::fromLatin1(item))->trigger();
    QStringList steps;
    auto openNow = [&] {  // help, formats and about loaded; the last-window signals so far
        return QStringLiteral("%1%2%3 %4")
                .arg(int(!!s.helpWindow()))
                .arg(int(!!s.formatsWindow()))
                .arg(int(!!s.aboutWindow()))
                .arg(lastClosed.count());
    };
    QTimer::singleShot(0, qApp, [&] {
        main->close();
        QTimer::singleShot(0, qApp, [&] {
            steps << openNow();
            s.helpWindow()->close();
            s.formatsWindow()->close();
            steps << openNow();
            s.aboutWindow()->close();  // the last one: the loop ends
        });
    });
    QObject guard;
    QTimer::singleShot(20000, &guard, [] { QCoreApplication::exit(3); });  // instead of hanging
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(steps, (QStringList{QStringLiteral("111 0"), QStringLiteral("001 0")}));
    QCOMPARE(lastClosed.count(), 1);
    delete main.data();
}

// Help: only a change by the program closes it, never the user's typing.
// Formats: a click on any of the seven lines, not between them.
void WindowsTest::whatClosesHelpAndFormats()
{
    SecondaryWindows s;
    auto* text = control<QPlainTextEdit>(open(s, 0), "Text1");
    const QString before = text->toPlainText();
    QApplication::clipboard()->setText(QStringLiteral("粘贴的文字"));
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(s.helpWindow(), text->window());
    QCOMPARE(text->toPlainText(), before);
    text->setPlainText(QStringLiteral("x"));
    QVERIFY(!s.helpWindow());

    QCOMPARE(open(s, 1)->findChildren<QLabel*>().size(), 7);
    for (auto [name, index] : {std::pair{"Label4", -1},
                               {"Label1", 0},
                               {"Label1", 1},
                               {"Label1", 2},
                               {"Label1", 3},
                               {"Label2", -1},
                               {"Label3", -1}}) {
        QWidget* window = open(s, 1);
        auto* label = control<QLabel>(window, name, index);
        QVERIFY2(label && label->wordWrap(), name);
        const QRect inside = label->rect() & QRect(label->mapFrom(window, QPoint()), window->size());
        QVERIFY(QFontMetrics(label->font()).boundingRect(label->rect(), Qt::TextWordWrap, label->text()).height()
                <= label->height() + 1);
        QTest::mousePress(label, Qt::LeftButton, {}, inside.center());
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-30, -30));  // released away: no click
        QCOMPARE(s.formatsWindow(), window);
        QTest::mouseClick(label, Qt::LeftButton, {}, inside.center());
        QVERIFY(!s.formatsWindow());
    }
    QWidget* window = open(s, 1);
    for (QPoint gap : {QPoint(3, 100), QPoint(100, 68), QPoint(100, 147), QPoint(150, 203)}) {
        QVERIFY(!window->childAt(gap));
        QTest::mouseClick(window, Qt::LeftButton, {}, gap);
        QCOMPARE(s.formatsWindow(), window);
    }
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
