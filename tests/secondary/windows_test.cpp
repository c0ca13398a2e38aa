// The help, formats and about windows: frames, key places and fonts as the
// installed faces resolve them, one instance each beside the main window,
// and what closes the help and formats windows. Also the help text's bytes.
#include "Form1.h"
#include "Form2.h"
#include "Icons.h"
#include "SecondaryWindows.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>

using namespace corvane;

namespace {
void (SecondaryWindows::*const kShow[])() = {&SecondaryWindows::showHelp, &SecondaryWindows::showFormats,
                                              &SecondaryWindows::showAbout};
QWidget* (SecondaryWindows::*const kLoaded[])() const = {&SecondaryWindows::helpWindow, &SecondaryWindows::formatsWindow,
                                                         &SecondaryWindows::aboutWindow};

QWidget* open(SecondaryWindows& s, int which) { (s.*kShow[which])(); return (s.*kLoaded[which])(); }
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A control by its layout name and array index (-1: none).
template <class T = QWidget> T* control(QWidget* window, const char* name, int index = -1)
{
    for (T* w : window->findChildren<T*>(QString::fromLatin1(name)))
        if (w->property("index").toInt() == index || (index < 0 && !w->property("index").isValid())) return w;
    return nullptr;
}

QList<int> sidesOf(const QIcon& icon)
{
    QList<int> sides;
    for (QSize s : icon.availableSizes()) sides << (s.width() == s.height() ? s.width() : -1);
    std::sort(sides.begin(), sides.end());
    return sides;
}

// The lines a label's caption breaks into at its width, by its font.
QStringList wrapped(const QLabel* label)
{
    QTextLayout layout(label->text(), label->font());  // wraps at word ends by default
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->width());
        lines << label->text().mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

QByteArray toGbk(const QString& text)
{
    QProcess p;
    p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QStringLiteral("CP936")});
    p.write(text.toUtf8());
    p.closeWriteChannel();
    return p.waitForFinished(10000) && p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}
} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }
    void layout();
    void lifecycle();
    void besideTheMainWindow();
    void helpClosesOnlyOnProgramChange();
    void formatsClosesOnALineClick();
    void helpTextInCodePage936();
};

// Frames, key places in window pixels and the faces as installed (the
// layouts ask for 宋体, Comic Sans MS, Arial and Impact).
void WindowsTest::layout()
{
    const struct { const char* caption; QSize client; QList<int> iconSides; } frames[] = {
        {"使用说明", {370, 378}, {16, 24, 32, 48}}, {"格式列表", {290, 206}, {32}}, {"关于", {290, 234}, {16, 24, 32, 48}}};
    SecondaryWindows s;
    for (int which = 0; which < 3; ++which) {
        QWidget* w = open(s, which);
        QVERIFY(w && w->isWindow() && !w->parentWidget() && !w->isModal());
        QCOMPARE(w->objectName(), QStringLiteral("Form%1").arg(which + 2));
        QCOMPARE(w->windowTitle(), QString::fromUtf8(frames[which].caption));
        QCOMPARE(w->size(), frames[which].client);
        QCOMPARE(w->minimumSize(), w->maximumSize());  // no resizing
        QCOMPARE(w->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
                 Qt::WindowCloseButtonHint);
        QCOMPARE(sidesOf(w->windowIcon()), frames[which].iconSides);
    }
    QCOMPARE(sidesOf(appIcon()), (QList<int>{16, 32, 48}));

    const char* song = "AR PL SungtiL GB";
    const struct { int which; const char* name; int index; QRect rect; const char* family; int pixels; bool bold; } controls[] = {
        {0, "Text1", -1, {0, 0, 373, 377}, song, 14, false},  // 3 pixels past the right edge, 1 short of the bottom
        {1, "Label4", -1, {8, 8, 281, 33}, song, 12, false},
        {1, "Label1", 3, {8, 120, 297, 25}, song, 12, false},
        {1, "Label2", -1, {8, 152, 305, 25}, song, 12, false},
        // Inside the picture box's two-pixel edge.
        {2, "Label1", -1, {10, 10, 297, 33}, "Comic Neue", 27, true},
        {2, "Label3", -1, {58, 66, 185, 33}, "Liberation Sans", 29, true},
        {2, "Label4", -1, {18, 114, 81, 17}, song, 14, false},
        {2, "Label2", -1, {210, 210, 73, 25}, "Liberation Sans Narrow", 16, true},
    };
    for (const auto& c : controls) {
        QWidget* w = (s.*kLoaded[c.which])();
        QWidget* widget = control(w, c.name, c.index);
        QVERIFY2(widget, c.name);
        QCOMPARE(QRect(widget->mapTo(w, QPoint()), widget->size()), c.rect);
        const QFontInfo info(widget->font());
        QCOMPARE(info.family(), QString::fromLatin1(c.family));
        QCOMPARE(info.pixelSize(), c.pixels);
        QCOMPARE(info.bold(), c.bold);
        QVERIFY(!info.italic() && !info.underline());
    }

    // With those faces no help line wraps and no about text is cut off.
    auto* text = control<QPlainTextEdit>(s.helpWindow(), "Text1");
    QCOMPARE(text->toPlainText(), secondary::helpText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
    QCOMPARE(text->document()->blockCount(), 34);  // 33 lines and the empty one after the last line end
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
        QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(b.text()));
    const auto labels = s.aboutWindow()->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 9);
    for (QLabel* l : labels) {
        const QFontMetrics fm(l->font());
        QVERIFY2(fm.horizontalAdvance(l->text()) <= l->width() && fm.height() <= l->height(), qPrintable(l->text()));
    }
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
        QVERIFY(!((*s).*kLoaded[which])());
        QPointer<QWidget> first = open(*s, which);
        QVERIFY(first && first->isVisible());
        QVERIFY((first->frameGeometry().center() - centre).manhattanLength() <= 2);
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(open(*s, which), first.data());
        QVERIFY(QTest::qWaitForWindowActive(first));

        // Unloaded at once; shown again before the old one is gone.
        QVERIFY(first->close());
        QVERIFY(!((*s).*kLoaded[which])());
        reopened << open(*s, which);
        QVERIFY(reopened.last() && reopened.last() != first && reopened.last()->isVisible());
        flushDeletes();
        QVERIFY(first.isNull());
    }
    s.reset();  // the end of the run takes the open windows with it
    for (const auto& w : reopened) QVERIFY(w.isNull());
}

// With the real main window: its menu opens the windows, closing it leaves
// them open, and the run ends when the last of them is closed.
void WindowsTest::besideTheMainWindow()
{
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    SecondaryWindows s;
    QPointer<Form1> main = new Form1(s, {QStringLiteral("null"), QStringLiteral("null")});
    main->show();
    for (const char* item : {"help", "former", "about"}) main->menuItem(QString::fromLatin1(item))->trigger();
    QStringList steps;
    auto openNow = [&] {  // help, formats and about loaded; the last-window signals so far
        return QStringLiteral("%1%2%3 %4").arg(int(!!s.helpWindow())).arg(int(!!s.formatsWindow())).arg(int(!!s.aboutWindow())).arg(lastClosed.count());
    };
    steps << openNow();
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
    QCOMPARE(steps, (QStringList{QStringLiteral("111 0"), QStringLiteral("111 0"), QStringLiteral("001 0")}));
    QCOMPARE(lastClosed.count(), 1);
    delete main.data();
}

void WindowsTest::helpClosesOnlyOnProgramChange()
{
    SecondaryWindows s;
    auto* text = control<QPlainTextEdit>(open(s, 0), "Text1");
    const QString before = text->toPlainText();
    QApplication::clipboard()->setText(QStringLiteral("粘贴的文字"));
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
    QTest::mouseClick(text->viewport(), Qt::MiddleButton);  // the X11 selection paste
    QCOMPARE(s.helpWindow(), text->window());
    QCOMPARE(text->toPlainText(), before);

    // Set by the program, or changed through the document: it closes.
    text->setPlainText(QStringLiteral("x"));
    QVERIFY(!s.helpWindow());
    text = control<QPlainTextEdit>(open(s, 0), "Text1");
    QCOMPARE(text->toPlainText(), before);  // reloaded whole
    QTextCursor(text->document()).insertText(QStringLiteral("！"));
    QVERIFY(!s.helpWindow());
}

// A click on any of the seven lines closes it, a click between them does
// not. The long rows wrap inside their runs of spaces.
void WindowsTest::formatsClosesOnALineClick()
{
    const struct { const char* name; int index; const char* secondLine; } rows[] = {
        {"Label4", -1, nullptr}, {"Label1", 0, nullptr}, {"Label1", 1, nullptr}, {"Label1", 2, nullptr},
        {"Label1", 3, "*.asf *.asx"}, {"Label2", -1, "*.mp2v *.mpa *.mp3"}, {"Label3", -1, nullptr},
    };
    SecondaryWindows s;
    QCOMPARE(open(s, 1)->findChildren<QLabel*>().size(), 7);
    for (const auto& r : rows) {
        QWidget* window = open(s, 1);
        auto* label = control<QLabel>(window, r.name, r.index);
        QVERIFY2(label && label->wordWrap(), r.name);
        const QStringList lines = wrapped(label);
        QCOMPARE(lines.size(), r.secondLine ? 2 : 1);
        if (r.secondLine) QCOMPARE(lines[1], QString::fromLatin1(r.secondLine));
        QVERIFY(lines.size() * QFontMetrics(label->font()).lineSpacing() <= label->height() + 1);

        const QPoint at = (label->rect() & QRect(label->mapFrom(window, QPoint()), window->size())).center();
        QTest::mousePress(label, Qt::LeftButton, {}, at);
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-30, -30));  // released away: no click
        QCOMPARE(s.formatsWindow(), window);
        QTest::mouseClick(label, Qt::LeftButton, {}, at);
        QVERIFY(!s.formatsWindow());
    }
    QWidget* window = open(s, 1);
    for (QPoint gap : {QPoint(3, 100), QPoint(100, 68), QPoint(100, 147), QPoint(150, 203)}) {
        QVERIFY(!window->childAt(gap));
        QTest::mouseClick(window, Qt::LeftButton, {}, gap);
        QCOMPARE(s.formatsWindow(), window);
    }
}

void WindowsTest::helpTextInCodePage936()
{
    const QByteArray gbk = toGbk(secondary::helpText());
    QCOMPARE(gbk.size(), 1235);
    QList<QByteArray> lines = gbk.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());  // the last line is ended too
    QCOMPARE(lines.size(), 33);
    for (QByteArray& l : lines) {
        QVERIFY(l.endsWith('\r'));
        l.chop(1);
        QVERIFY2(l.size() <= 50, l.constData());
    }
    for (int n : {0, 2, 22, 24}) QCOMPARE(lines[n], QByteArray(50, '='));
    QCOMPARE(lines[1], QByteArray(21, ':') + "Corvane 5" + QByteArray(20, ':'));
    QCOMPARE(lines[3], toGbk(QStringLiteral(">>>Corvane 5X新特性")));
    QCOMPARE(lines[12], toGbk(QStringLiteral(">>>Corvane 5.1修改资料")));
    QCOMPARE(lines[17], toGbk(QStringLiteral(">>>Corvane 5X使用方法")));
    QVERIFY(lines[11].isEmpty() && lines[16].isEmpty());
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
