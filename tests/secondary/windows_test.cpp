// The help, formats and about windows: layout, lifetime and what closes them.
#include "Form1.h"
#include "Form2.h"
#include "SecondaryWindows.h"

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
}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }

    // Fixed frames with a close box only; every face asked for is installed,
    // and with those faces no help line wraps and no label text is cut off.
    void layout()
    {
        SecondaryWindows s;
        for (int which = 0; which < 3; ++which) {
            QWidget* w = open(s, which);
            QVERIFY(w && w->isWindow() && !w->parentWidget() && !w->isModal() && !w->windowIcon().isNull());
            QCOMPARE(w->minimumSize(), w->maximumSize());
            QCOMPARE(
                    w->windowFlags()
                            & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
                    Qt::WindowCloseButtonHint);
            for (QFrame* c : w->findChildren<QFrame*>())
                QVERIFY2(QFontInfo(c->font()).family() == c->font().family(), qPrintable(c->font().family()));
        }
        auto* text = s.helpWindow()->findChild<QPlainTextEdit*>();
        QCOMPARE(text->toPlainText(), secondary::helpText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
        for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
            QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(b.text()));
        for (int which = 1; which < 3; ++which)
            for (QLabel* l : loaded(s, which)->findChildren<QLabel*>()) {
                const QRect need = QFontMetrics(l->font()).boundingRect(l->rect(), l->wordWrap() ? Qt::TextWordWrap : 0,
                                                                        l->text());
                QVERIFY2(need.width() <= l->width() && need.height() <= l->height() + 1, qPrintable(l->text()));
            }
    }

    // One instance each, centred, raised when shown again, unloaded by a close
    // and built afresh on the next showing.
    void lifecycle()
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
    void besideTheMainWindow()
    {
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        SecondaryWindows s;
        QPointer<Form1> main = new Form1(s, {QStringLiteral("null"), QStringLiteral("null")});
        main->show();
        for (const char* item : {"help", "former", "about"})
            main->menuItem(QString::fromLatin1(item))->trigger();
        bool allOpen = false, aboutLeft = false;
        QTimer::singleShot(0, qApp, [&] {
            main->close();
            QTimer::singleShot(0, qApp, [&] {
                allOpen = s.helpWindow() && s.formatsWindow() && s.aboutWindow() && lastClosed.isEmpty();
                s.helpWindow()->close();
                s.formatsWindow()->close();
                aboutLeft = !s.helpWindow() && !s.formatsWindow() && s.aboutWindow() && lastClosed.isEmpty();
                s.aboutWindow()->close();  // the last one: the loop ends
            });
        });
        QObject guard;
        QTimer::singleShot(20000, &guard, [] { QCoreApplication::exit(3); });  // instead of hanging
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(allOpen && aboutLeft);
        QCOMPARE(lastClosed.count(), 1);
        delete main.data();
    }

    // Help: only a change by the program closes it, never the user's typing.
    // Formats: a click on any of the seven lines, not between them.
    void whatClosesHelpAndFormats()
    {
        SecondaryWindows s;
        auto* text = open(s, 0)->findChild<QPlainTextEdit*>();
        const QString before = text->toPlainText();
        QApplication::clipboard()->setText(QStringLiteral("粘贴的文字"));
        QTest::keyClicks(text, QStringLiteral("typed"));
        for (Qt::Key key : {Qt::Key_V, Qt::Key_A, Qt::Key_X})  // paste, select all, cut
            QTest::keyClick(text, key, Qt::ControlModifier);
        QCOMPARE(s.helpWindow(), text->window());
        QCOMPARE(text->toPlainText(), before);
        text->setPlainText(QStringLiteral("x"));
        QVERIFY(!s.helpWindow());

        const int labels = int(open(s, 1)->findChildren<QLabel*>().size());
        QCOMPARE(labels, 7);
        for (int i = 0; i < labels; ++i) {
            QWidget* window = open(s, 1);
            auto* label = window->findChildren<QLabel*>().at(i);
            QVERIFY2(label->wordWrap(), qPrintable(label->text()));
            const QRect inside = label->rect() & QRect(label->mapFrom(window, QPoint()), window->size());
            QTest::mousePress(label, Qt::LeftButton, {}, inside.center());
            QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-30, -30));  // released away: no click
            QCOMPARE(s.formatsWindow(), window);
            QTest::mouseClick(label, Qt::LeftButton, {}, inside.center());
            QVERIFY(!s.formatsWindow());
        }
        QWidget* window = open(s, 1);  // a click beside the lines leaves it open
        QVERIFY(!window->childAt(QPoint(3, 100)));
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(3, 100));
        QCOMPARE(s.formatsWindow(), window);
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
