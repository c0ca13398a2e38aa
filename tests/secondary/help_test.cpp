// The help window: its text, locked against the user, and the rule that any
// change of the text closes the window.
#include "Form2.h"
#include "SecondaryTestSupport.h"
#include "SecondaryWindows.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>

#include <functional>

using namespace corvane;
using corvane::test::control;
using corvane::test::flushDeletes;

Q_DECLARE_METATYPE(std::function<void(QPlainTextEdit*)>)

namespace {
using Change = std::function<void(QPlainTextEdit*)>;

QPlainTextEdit* textOf(SecondaryWindows& s)
{
    return s.helpWindow() ? control<QPlainTextEdit>(s.helpWindow(), QStringLiteral("Text1")) : nullptr;
}
} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }
    void programChangeCloses_data();
    void programChangeCloses();
    void userCannotChangeTheText();
    void caretSelectionAndScrolling();
    void textInCodePage936();
};

void HelpTest::programChangeCloses_data()
{
    QTest::addColumn<Change>("change");
    QTest::newRow("set") << Change([](QPlainTextEdit* t) { t->setPlainText(QStringLiteral("x")); });
    QTest::newRow("append") << Change([](QPlainTextEdit* t) { t->appendPlainText(QStringLiteral("x")); });
    QTest::newRow("clear") << Change([](QPlainTextEdit* t) { t->clear(); });
    QTest::newRow("cursor insert") << Change([](QPlainTextEdit* t) {
        QTextCursor c(t->document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("！"));
    });
    QTest::newRow("cursor delete") << Change([](QPlainTextEdit* t) {
        QTextCursor c(t->document());
        c.deleteChar();
    });
}

void HelpTest::programChangeCloses()
{
    QFETCH(Change, change);
    SecondaryWindows s;
    s.showHelp();
    QPointer<QWidget> window = s.helpWindow();
    change(textOf(s));
    QVERIFY(!s.helpWindow());
    QVERIFY(!window->isVisible());
    flushDeletes();
    QVERIFY(window.isNull());
    // The next opening shows the whole text again.
    s.showHelp();
    QCOMPARE(textOf(s)->toPlainText(), secondary::helpText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void HelpTest::userCannotChangeTheText()
{
    SecondaryWindows s;
    s.showHelp();
    QPlainTextEdit* text = textOf(s);
    const QString before = text->toPlainText();
    QApplication::clipboard()->setText(QStringLiteral("粘贴的文字"));

    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);              // paste
    QTest::keyClick(text, Qt::Key_Insert, Qt::ShiftModifier);           // paste
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);              // cut
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);              // undo
    // Dropping text on it.
    QMimeData mime;
    mime.setText(QStringLiteral("dropped"));
    const QPoint at = text->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(text->viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(text->viewport(), &drop);
    // A middle click pastes the selection on X11.
    QTest::mouseClick(text->viewport(), Qt::MiddleButton, {}, at);

    QVERIFY(s.helpWindow());
    QCOMPARE(textOf(s), text);
    QCOMPARE(text->toPlainText(), before);
    QVERIFY(text->isVisible());
}

void HelpTest::caretSelectionAndScrolling()
{
    SecondaryWindows s;
    s.showHelp();
    QPlainTextEdit* text = textOf(s);
    QScrollBar* bar = text->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QVERIFY(bar->maximum() > 0);  // 33 lines do not fit in 377 pixels

    QTest::keyClick(text, Qt::Key_Down);
    QCOMPARE(text->textCursor().blockNumber(), 1);
    QTest::keyClick(text, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(text->textCursor().selectedText(), QString::fromLatin1(":::::::::::::::::::::Corvane 5::::::::::::::::::::"));
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), text->textCursor().selectedText());

    QTest::keyClick(text, Qt::Key_PageDown);
    const int afterPage = bar->value();
    QVERIFY(afterPage > 0);
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(bar->value(), 0);

    const QPointF at = text->viewport()->rect().center();
    QWheelEvent wheel(at, text->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(text->viewport(), &wheel);
    QVERIFY(bar->value() > 0);

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(s.helpWindow());
}

void HelpTest::textInCodePage936()
{
    const QString text = secondary::helpText();
    const QByteArray gbk = corvane::test::toGbk(text);
    QVERIFY2(!gbk.isEmpty(), "iconv failed");
    QCOMPARE(gbk.size(), 1235);
    QVERIFY(gbk.endsWith("\r\n"));
    QCOMPARE(gbk.count('\n'), 33);
    QCOMPARE(gbk.count('\r'), 33);
    QCOMPARE(gbk.count("\r\n"), 33);
    QList<QByteArray> lines = gbk.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.size(), 33);
    for (QByteArray& l : lines) {
        QVERIFY(l.endsWith('\r'));
        l.chop(1);
        QVERIFY2(l.size() <= 50, l.constData());
    }
    const QByteArray rule(50, '=');
    for (int n : {1, 3, 23, 25}) QCOMPARE(lines[n - 1], rule);
    QCOMPARE(lines[1], QByteArray(21, ':') + "Corvane 5" + QByteArray(20, ':'));
    QCOMPARE(lines[3], corvane::test::toGbk(QStringLiteral(">>>Corvane 5X新特性")));
    QCOMPARE(lines[12], corvane::test::toGbk(QStringLiteral(">>>Corvane 5.1修改资料")));
    QCOMPARE(lines[17], corvane::test::toGbk(QStringLiteral(">>>Corvane 5X使用方法")));
    QCOMPARE(lines[23], corvane::test::toGbk(QStringLiteral("如果对本程序还发现了什么错误，请通知我，谢谢！")));
    QVERIFY(lines[11].isEmpty());
    QVERIFY(lines[16].isEmpty());
    // The paragraphs: every line but the last of each is exactly 50 bytes.
    for (auto [first, last] : {std::pair{5, 11}, std::pair{14, 16}, std::pair{19, 22}}) {
        for (int n = first; n < last; ++n) QVERIFY2(lines[n - 1].size() == 50, lines[n - 1].constData());
        QVERIFY(!lines[last - 1].isEmpty() && lines[last - 1].size() < 50);
    }
    // Eight contact lines, each a field name, "：" and a value; the e-mail
    // address is on a reserved example domain, and no other domain appears.
    const QString all = text;
    const QStringList utf8Lines = all.split(QStringLiteral("\r\n"));
    const QStringList fields = {QStringLiteral("作者"), QStringLiteral("地址"), QStringLiteral("邮编"), QStringLiteral("电话"),
                                QStringLiteral("邮箱"), QStringLiteral("即时通讯"), QStringLiteral("学校"), QStringLiteral("班级")};
    for (int i = 0; i < 8; ++i) {
        const QString line = utf8Lines[25 + i];
        QVERIFY2(line.startsWith(fields[i] + QStringLiteral("：")) && line.size() > fields[i].size() + 1, qPrintable(line));
    }
    const QRegularExpression mail(QStringLiteral("[A-Za-z0-9._-]+@([A-Za-z0-9.-]+)"));
    int mails = 0;
    for (auto it = mail.globalMatch(all); it.hasNext(); ++mails)
        QVERIFY(QRegularExpression(QStringLiteral("^example\\.(org|com|net)$")).match(it.next().captured(1)).hasMatch());
    QCOMPARE(mails, 1);
}

QTEST_MAIN(HelpTest)
#include "help_test.moc"
