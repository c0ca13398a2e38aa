// The real main window: places, faces, tab order, states, shortcuts, menu.
#include "DispatchIds.h"
#include "Form1.h"
#include "Form1Layout.h"
#include "MediaKinds.h"
#include "Opening.h"
#include "SecondaryWindows.h"
#include "Startup.h"
#include "TestMain.h"
#include "Transport.h"
#include "widgets/FileDialog.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

using namespace corvane;

namespace {

// Answers the next modal file dialog: remembers its filters, picks `file`
// or cancels when `file` is empty.
struct DialogAnswer {
    QStringList filters;
    bool seen = false;
    void arm(const QString& file = {})
    {
        seen = false;
        QTimer::singleShot(0, [this, file] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            seen = true;
            filters = dlg->nameFilters();
            if (file.isEmpty()) {
                dlg->reject();
            } else {
                dlg->selectFile(file);
                QMetaObject::invokeMethod(dlg, "accept");
            }
        });
    }
};

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void placesAndSizes();
    void facesHintsAndFonts();
    void screenReaderNames();
    void frameIsFixed();
    void menuTree();
    void tabOrderSkipsDisabled();
    void idleAndLoadedStates();
    void triggersOfEachKindAgreeInEveryState();
    void disabledBoxesIgnoreTheirAccessKeys();
    void exitEndsTheRunWithWindowsOpen();
    void closeBoxLeavesNoHandlerBehind();

private:
    bool enabled(const char* name) { return form->widget(QString::fromLatin1(name))->isEnabled(); }
    SecondaryWindows secondary;
    QPointer<Form1> form;
    DialogAnswer answer;
    QTemporaryDir dir;
};

void Form1Test::initTestCase() { installLanguageAndFonts(); }

void Form1Test::init()
{
    form = new Form1(secondary, {QStringLiteral("null"), QStringLiteral("null")});
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void Form1Test::cleanup() { delete form.data(); }

void Form1Test::placesAndSizes()
{
    // Pixels in the client area; the panel starts 8 px left of it.
    const struct {
        const char* name;
        QRect r;
    } expected[] = {
            {"XPSideMenu1", {-8, 0, 353, 353}}, {"Command1", {8, 8, 49, 25}},
            {"Command2", {56, 8, 49, 25}},      {"Command5", {104, 8, 49, 25}},
            {"Command4", {152, 8, 49, 25}},     {"Command3", {200, 8, 49, 25}},
            {"Command6", {248, 8, 49, 25}},     {"Slider1", {8, 40, 289, 25}},
            {"CommandSCE1", {8, 72, 25, 25}},   {"CommandSCE2", {32, 72, 25, 25}},
            {"CommandSCE3", {56, 72, 25, 25}},  {"CommandSCE4", {80, 72, 25, 25}},
            {"CommandSCE5", {104, 72, 25, 25}}, {"CommandSCE6", {128, 72, 25, 25}},
            {"CommandSCE7", {152, 72, 33, 33}}, {"Check1", {208, 72, 89, 17}},
            {"Check2", {208, 88, 89, 17}},      {"ShockwaveFlash1", {8, 112, 289, 209}},
    };
    QWidget* client = form->centralWidget();
    for (const auto& e : expected) {
        QWidget* w = form->widget(QString::fromLatin1(e.name));
        QVERIFY2(w, e.name);
        const QRect got(w->mapTo(client, QPoint(0, 0)), w->size());
        QVERIFY2(got == e.r, e.name);
        QVERIFY2(w->isVisible(), e.name);
    }
    // The controls without a face exist all the same.
    QVERIFY(form->dispatch("MMControl1") && form->dispatch("CommonDialog1"));
    // Creation order: children of the panel in the table's order.
    QStringList order;
    for (QObject* o : form->widget("XPSideMenu1")->children())
        if (o->isWidgetType())
            order << o->objectName();
    QCOMPARE(order,
             (QStringList{"Command1", "Command2", "Command3", "Command4", "Command5", "Command6", "CommandSCE1",
                          "CommandSCE2", "CommandSCE3", "CommandSCE4", "CommandSCE5", "CommandSCE6", "CommandSCE7",
                          "Slider1", "Check1", "Check2", "ShockwaveFlash1"}));
}

void Form1Test::facesHintsAndFonts()
{
    auto text = [&](const char* n) { return qobject_cast<QAbstractButton*>(form->widget(n))->text(); };
    const char* captions[][2] = {{"Command1", "视频"}, {"Command2", "音频"},       {"Command3", "媒体"},
                                 {"Command4", "电影"}, {"Command5", "数字"},       {"Command6", "动画"},
                                 {"CommandSCE7", "<"}, {"Check1", "静音播放(&S)"}, {"Check2", "重复播放(&T)"}};
    for (auto& c : captions)
        QCOMPARE(text(c[0]), QString::fromUtf8(c[1]));
    QCOMPARE(form->widget("CommandSCE2")->toolTip(), QStringLiteral("支持播放Flash控制"));
    QCOMPARE(form->widget("CommandSCE7")->toolTip(), QStringLiteral("支持播放Flash控制"));
    QVERIFY(form->widget("CommandSCE1")->toolTip().isEmpty());

    for (int n = 1; n <= 6; ++n) {
        auto* b = qobject_cast<QAbstractButton*>(form->widget(QStringLiteral("CommandSCE%1").arg(n)));
        QVERIFY(b->text().isEmpty());
        const QImage icon = b->icon().pixmap(16, 16).toImage();
        QCOMPARE(icon.size(), QSize(16, 16));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);  // a transparent ground
    }
    // "宋体" resolves to an installed Song face.
    const QFontInfo song(form->widget("Command1")->font());
    QCOMPARE(form->widget("Command1")->font().pointSizeF(), 9.0);
    QVERIFY2(song.family().contains("Sung") || song.family().contains("CJK"), qPrintable(song.family()));
    QCOMPARE(form->widget("CommandSCE7")->font().pointSizeF(), 26.25);
    QCOMPARE(form->widget("CommandSCE7")->font().weight(), QFont::Bold);
}

// What a screen reader is given: a name on every button, box and slider of
// the window's accessible tree, ours on those without a caption.
void Form1Test::screenReaderNames()
{
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
    QCOMPARE(names["Slider1"], QStringLiteral("播放位置"));
    auto* flash = QAccessible::queryAccessibleInterface(form->widget("ShockwaveFlash1"));
    QCOMPARE(flash->text(QAccessible::Name), QStringLiteral("动画显示"));
    QVERIFY(!QAccessible::queryAccessibleInterface(form->widget("Slider1"))->text(QAccessible::Description).isEmpty());
}

void Form1Test::frameIsFixed()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("Corvane"));
    const QSize before = form->size();
    form->resize(before + QSize(100, 100));
    QCOMPARE(form->size(), before);
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form->centralWidget()->size(), QSize(306, 329));
}

void Form1Test::menuTree()
{
    auto titles = [](const QList<QAction*>& actions) {
        QStringList out;
        for (QAction* a : actions)
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    const QList<QAction*> bar = form->menuBar()->actions();
    QCOMPARE(titles(bar), (QStringList{"文件(&F)", "帮助(&H)"}));
    QMenu* file = bar[0]->menu();
    QCOMPARE(titles(file->actions()), (QStringList{"打开(&O)", "关闭(&C)", "-", "退出(&X)"}));
    QCOMPARE(titles(file->actions()[0]->menu()->actions()),
             (QStringList{"视频文件(&V)", "音频文件(&A)", "数字音频(&I)", "电影文件(&M)", "媒体文件(&W)",
                          "动画文件(&F)"}));
    QCOMPARE(titles(bar[1]->menu()->actions()),
             (QStringList{"使用说明(&H)...", "格式列表(&F)...", "-", "关于 Corvane 5x(&A)"}));
    QVERIFY(form->menuItem("hhh")->isSeparator() && form->menuItem("jj")->isSeparator());
}

void Form1Test::tabOrderSkipsDisabled()
{
    auto walk = [&](const char* from, int steps) {
        form->widget(from)->setFocus();
        QStringList seen;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        return seen;
    };
    QCOMPARE(walk("Slider1", 6), (QStringList{"Command6", "Command5", "Command4", "Command3", "Command2", "Command1"}));

    form->controls().Check1.setEnabled(true);
    form->controls().Check2.setEnabled(true);
    for (int n = 1; n <= 7; ++n)
        form->controls().commandSCE(n).put(dispid::button::Enabled, true);
    for (int n = 1; n <= 6; ++n)
        form->controls().command(n).put(dispid::button::Enabled, false);
    QCOMPARE(walk("Check2", 9),
             (QStringList{"Check1", "Slider1", "CommandSCE7", "CommandSCE6", "CommandSCE5", "CommandSCE4",
                          "CommandSCE3", "CommandSCE2", "CommandSCE1"}));
}

void Form1Test::idleAndLoadedStates()
{
    auto state = [&] {
        QString s;
        for (int n = 1; n <= 6; ++n)
            s += enabled(qPrintable(QStringLiteral("Command%1").arg(n))) ? '1' : '0';
        s += ' ';
        for (int n = 1; n <= 7; ++n)
            s += enabled(qPrintable(QStringLiteral("CommandSCE%1").arg(n))) ? '1' : '0';
        s += ' ';
        s += enabled("Check1") ? '1' : '0';
        s += enabled("Check2") ? '1' : '0';
        return s;
    };
    const QString idle = QStringLiteral("111111 0000000 00");
    QCOMPARE(state(), idle);
    QVERIFY(form->menuItem("video")->isEnabled());

    const QString file = dir.filePath("x.wav");
    QFile(file).open(QIODevice::WriteOnly);
    answer.arm(file);
    QMetaObject::invokeMethod(form->widget("Command2"), "click");
    QVERIFY(answer.seen);
    QCOMPARE(state(), QStringLiteral("000000 1111111 11"));
    QCOMPARE(form->dispatch("MMControl1")->get(dispid::mci::FileName).toText(), file);

    QMetaObject::invokeMethod(form->widget("CommandSCE7"), "click");
    QCOMPARE(state(), idle);

    answer.arm(file);
    QMetaObject::invokeMethod(form->widget("Command6"), "click");
    QCOMPARE(state(), QStringLiteral("000000 0100001 00"));
    for (const char* item : {"video", "flash", "exit", "help"})
        QVERIFY(form->menuItem(item)->isEnabled());
}

void Form1Test::triggersOfEachKindAgreeInEveryState()
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
                form->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(form));
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

void Form1Test::disabledBoxesIgnoreTheirAccessKeys()
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

void Form1Test::exitEndsTheRunWithWindowsOpen()
{
    secondary.showHelp();
    secondary.showAbout();
    QTimer::singleShot(0, [&] { form->menuItem("exit")->trigger(); });
    // A watchdog fails the test instead of hanging it.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(form);  // exit asks nothing of the windows; main() destroys them
}

void Form1Test::closeBoxLeavesNoHandlerBehind()
{
    // Closing the main window destroys it with its controls, at once.
    QPointer<QObject> device = dynamic_cast<QObject*>(form->dispatch("MMControl1"));
    QVERIFY(device);
    QVERIFY(form->close());
    QTRY_VERIFY(!form);
    QVERIFY(!device);
}

CORVANE_WIDGET_TEST_MAIN(Form1Test)
#include "form1_test.moc"
