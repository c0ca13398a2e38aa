// The real main window: layout, faces, the opening triggers, ending.
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "Form1.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "TestMain.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QTimer>
#include <QtTest>

using namespace corvane;

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installLanguageAndFonts(); }

    void init()
    {
        form = new Form1(secondary, {QStringLiteral("null"), QStringLiteral("null")});
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }

    void cleanup() { delete form.data(); }

    // The controls lie in the fixed client area, none over another's middle;
    // the transport buttons show icons, every control a screen reader can reach
    // has a name.
    void layoutFacesAndNames()
    {
        const QSize size = form->size();
        form->resize(size + QSize(100, 100));
        QCOMPARE(form->size(), size);
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        const QRect client = form->centralWidget()->rect();
        QList<QRect> places;
        for (QWidget* w : form->widget("XPSideMenu1")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect r(w->mapTo(form->centralWidget(), QPoint(0, 0)), w->size());
            QVERIFY2(w->isVisible() && client.contains(r), qPrintable(w->objectName()));
            for (const QRect& other : places)
                QVERIFY2(!r.contains(other.center()) && !other.contains(r.center()), qPrintable(w->objectName()));
            places << r;
        }
        QCOMPARE(places.size(), 17);
        QVERIFY(form->dispatch("MMControl1") && form->dispatch("CommonDialog1"));

        for (int n = 1; n <= 6; ++n) {
            auto* b = qobject_cast<QAbstractButton*>(form->widget(QStringLiteral("CommandSCE%1").arg(n)));
            QVERIFY(b->text().isEmpty() && !b->icon().isNull());
        }
        // "宋体" resolves to an installed Song face.
        const QFontInfo song(form->widget("Command1")->font());
        QVERIFY2(song.family().contains("Sung") || song.family().contains("CJK"), qPrintable(song.family()));

        QMap<QString, QString> names;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (QList{QAccessible::PushButton, QAccessible::CheckBox, QAccessible::Slider}.contains(node->role()))
                names[node->object()->objectName()] = node->text(QAccessible::Name);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(form));
        QCOMPARE(names.size(), 13 + 2 + 1);
        QVERIFY(!names.values().contains(QString()));
        QVERIFY(!QAccessible::queryAccessibleInterface(form->widget("ShockwaveFlash1"))
                         ->text(QAccessible::Name)
                         .isEmpty());
    }

    void triggersOfEachKindAgreeInEveryState()
    {
        // Button, menu item and shortcut of a kind lead to its device type and
        // filter; the shortcuts work also while the kind buttons are disabled.
        const struct {
            const char *button, *item, *key, *type, *firstFilter;
        } kinds[] = {{"Command1", "video", "Ctrl+V", "AVIVideo", "(*.avi)"},
                     {"Command2", "audio", "Ctrl+A", "WAVEAudio", "(*.wav)"},
                     {"Command5", "midi", "Ctrl+I", "Sequencer", "(*.mid)"},
                     {"Command4", "movie", "Ctrl+M", "MPEGVideo", "(*.mpeg)"},
                     {"Command3", "media", "Ctrl+W", "MPEGVideo2", "(*.wmv)"},
                     {"Command6", "flash", "Ctrl+F", "none", "(*.swf)"}};
        Dispatch* device = form->dispatch("MMControl1");
        for (bool loaded : {false, true}) {
            for (const auto& k : kinds) {
                for (int via = 0; via < 3; ++via) {
                    if (loaded && via == 0)
                        continue;  // the button is disabled then
                    device->put(dispid::mci::DeviceType, "none");
                    // The file dialog is kept hidden between showings; with no
                    // window manager the main window gets the keyboard back only
                    // when asked, and counts as active before it has it.
                    form->activateWindow();
                    QTRY_COMPARE(QApplication::activeWindow(), form);
                    answer.arm();
                    if (via == 0)
                        QMetaObject::invokeMethod(form->widget(k.button), "click");
                    else if (via == 1)
                        form->menuItem(k.item)->trigger();
                    else
                        QTest::keySequence(form, QKeySequence(QString::fromLatin1(k.key)));
                    QVERIFY2(answer.seen, k.key);
                    QVERIFY(answer.filters.first().startsWith(QString::fromLatin1(k.firstFilter)));
                    QCOMPARE(device->get(dispid::mci::DeviceType).toText(), QString::fromLatin1(k.type));
                }
            }
            for (int n = 1; n <= 6; ++n)
                form->controls().command(n).put(dispid::button::Enabled, false);
        }
    }

    void disabledBoxesIgnoreTheirAccessKeys()
    {
        auto* c1 = qobject_cast<QCheckBox*>(form->widget("Check1"));
        auto* c2 = qobject_cast<QCheckBox*>(form->widget("Check2"));
        QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(form, Qt::Key_T, Qt::AltModifier);
        QTest::qWait(300);
        QVERIFY(!c1->isChecked() && !c2->isChecked());
        form->controls().Check2.setEnabled(true);
        QTest::keyClick(form, Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(c2->isChecked());  // an access key clicks after a short animation
        QVERIFY(!c1->isChecked());
    }

    void exitEndsTheRunWithWindowsOpen()
    {
        secondary.showHelp();
        secondary.showAbout();
        QTimer::singleShot(0, [&] { form->menuItem("exit")->trigger(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // fails instead of hanging
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(form);  // exit asks nothing of the windows; main() destroys them
    }

    void closeBoxLeavesNoHandlerBehind()
    {
        // Closing the main window destroys it with its controls, at once.
        QPointer<QObject> device = dynamic_cast<QObject*>(form->dispatch("MMControl1"));
        QVERIFY(device);
        QVERIFY(form->close());
        QTRY_VERIFY(!form);
        QVERIFY(!device);
    }

private:
    SecondaryWindows secondary;
    QPointer<Form1> form;
    test::DialogAnswer answer;
};

CORVANE_WIDGET_TEST_MAIN(Form1Test)
#include "form1_test.moc"
