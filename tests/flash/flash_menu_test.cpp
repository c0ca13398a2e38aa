// The Flash display area of the real main window, the movie's menu and the person's input:
// the program's own menu for the movie, clicks and keys that reach the page, the keyboard
// that a movie has from its start, and the richer movies' buttons under the pointer.
#include "DialogAnswer.h"
#include "flash/RemoteFlashEngine.h"
#include "FlashAreaTest.h"
#include "RichMovies.h"
#include "SwfActions.h"
#include "SwfWriter.h"
#include "TestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QScreen>

using namespace corvane;
using namespace corvane::test;

class FlashMenuTest : public FlashAreaTest {
    Q_OBJECT

    // The movie's menu, opened by a right-click at `at` in the area (through the window, as
    // the pointer's would be), or by a key on `target`; null if none came up.
    QMenu* menuByMouse(QPoint at)
    {
        QWidget* window = player_->window();  // the main window's, or the full screen's
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, player_->mapTo(window, at));
        return shownMenu();
    }
    QMenu* menuByKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(target, key, mods);
        return shownMenu();
    }
    QMenu* shownMenu()
    {
        waitFor([&] { return player_->menu() && player_->menu()->isVisible(); }, 10000);
        return player_->menu();
    }
    static QStringList texts(const QMenu* menu)  // none for no menu
    {
        QStringList out;
        for (const QAction* a : menu ? menu->actions() : QList<QAction*>())
            if (!a->isSeparator())
                out << a->text();
        return out;
    }
    static QAction* entry(const QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions()) {
            if (a->text() == text)
                return a;
            if (QAction* inner = a->menu() ? entry(a->menu(), text) : nullptr)
                return inner;
        }
        return nullptr;
    }
    // Picks an entry of the top level with the pointer, and waits for the menu to go.
    void choose(QMenu* menu, const QString& text)
    {
        QAction* a = entry(menu, text);
        QVERIFY2(a, qPrintable(text));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
    }

private slots:
    void cleanup() { player_->setFullScreen(false); }  // a failed test leaves the window to the next

    void initTestCase()
    {
        openWindow(QPoint(940, 80));
        SwfMovie first;
        first.background = QColor(0x60, 0x60, 0x60);
        show("first.swf", writeSwf(first));
        QVERIFY2(shows(first.background, 0.3, ColdStartMs), "the first movie never showed");
    }

    // A movie's own Stage.displayState = "fullScreen" fills the screen only when the person's
    // key just reached it, not while it starts (it runs first: no key or click came before); Escape gives the window back, and the page
    // leaves its full screen with it.
    void movieAsksForFullScreen()
    {
        SwfMovie asking;
        asking.background = QColor(0x30, 0x60, 0x30), asking.frames = 1;
        asking.firstFrameActions = fullScreenActions();
        show("asking.swf", writeSwf(asking));
        QVERIFY(shows(asking.background) && waitFor([&] { return evaluate("corvaneFlash.status().shown").toBool(); }));
        const char* pageFull = "!!document.fullscreenElement";
        QVERIFY(!evaluate(pageFull).toBool());
        QVERIFY(!player_->fullScreen());

        window_->activateWindow();  // no window manager: the window gets the keyboard when asked
        QVERIFY(waitFor([&] { return player_->hasFocus(); }));
        QTest::keyClick(player_, Qt::Key_F);
        QVERIFY2(waitFor([&] { return player_->fullScreen() && player_->size() == player_->screen()->size(); }),
                 "the movie's request after a key was not honoured");
        QVERIFY(evaluate(pageFull).toBool());
        QTest::keyClick(player_->window()->windowHandle(), Qt::Key_Escape);
        QVERIFY(waitFor([&] { return !player_->fullScreen() && player_->window() == window_.get(); }));
        QVERIFY(waitFor([&] { return !evaluate(pageFull).toBool(); }));
    }

    // The person's clicks and keys on the display area reach the page in the engine's
    // process, at the point clicked. The movie's menu is the program's: a popup of its own,
    // not clipped by the area, in Chinese with each entry's state, from a right-click, the
    // menu key or Shift+F10. Its entries act on the movie (the transport buttons stay), the
    // movie's own run the movie's handlers, and Ruffle's menu never shows in the page.
    void inputAndMovieMenu()
    {
        SwfMovie movie;
        movie.background = QColor(0x50, 0x50, 0xA0);
        movie.menuItems = {{"移开方块", "_x", 400}, {"移回方块", "_x", 0}, {"不可用", "_x", 100, false}};
        show("menu.swf", writeSwf(movie));
        QVERIFY(shows(movie.background) && shows(movie.square, 0.01) && moves());
        QVERIFY(evaluate(QStringLiteral(R"JS(window.got = [];
            for (const t of ["pointerdown", "pointerup", "keydown"])
                document.addEventListener(t, (e) => got.push(t + (e.key ? ":" + e.key : ":" + e.clientX + "," + e.clientY)), true);
            true)JS"))
                        .toBool());
        QTest::mouseClick(player_, Qt::LeftButton, {}, QPoint(100, 50));
        QTest::keyClick(player_, Qt::Key_A);
        const QString want = QStringLiteral("pointerdown:100,50 pointerup:100,50 keydown:a");
        QString got;
        QVERIFY2(waitFor([&] { return (got = evaluate("got.join(' ')").toString()) == want; }, 10000), qPrintable(got));
        QCOMPARE(evaluate("navigator.language").toString(), QStringLiteral("zh-CN"));
        const auto buttonStates = [&] {
            QList<std::pair<bool, bool>> buttons;  // enabled and checked, of every button of the window
            for (const QAbstractButton* b : window_->findChildren<QAbstractButton*>())
                buttons.append({b->isEnabled(), b->isChecked()});
            return buttons;
        };
        const auto before = buttonStates();

        QMenu* menu = menuByMouse(QPoint(60, 50));
        QVERIFY2(menu, "no menu on a right-click");
        QVERIFY(menu->isWindow() && (menu->windowFlags() & Qt::Popup) == Qt::Popup);
        const QRect area(player_->mapToGlobal(QPoint(0, 0)), player_->size());
        QVERIFY2(menu->height() > area.height(), "the menu fits in the area: it cannot show that it is not clipped");
        QVERIFY(!area.contains(menu->geometry()));
        QCOMPARE(texts(menu),
                 (QStringList{"移开方块", "移回方块", "不可用", "放大", "缩小", "全部显示", "全屏", "品质", "播放",
                              "循环", "倒带", "前进", "后退"}));
        QCOMPARE(texts(entry(menu, "品质")->menu()), (QStringList{"低", "中", "高"}));
        QVERIFY(entry(menu, "高")->isChecked() && !entry(menu, "低")->isChecked());
        QVERIFY(entry(menu, "播放")->isChecked() && entry(menu, "播放")->isEnabled());
        QVERIFY(entry(menu, "循环")->isChecked() && !entry(menu, "循环")->isEnabled());  // Ruffle always loops
        QVERIFY(entry(menu, "放大")->isEnabled() && !entry(menu, "缩小")->isEnabled());
        QVERIFY(entry(menu, "全屏")->isEnabled() && !entry(menu, "全屏")->isChecked());
        QVERIFY(!entry(menu, "不可用")->isEnabled() && entry(menu, "移开方块")->isEnabled());
        QVERIFY(entry(menu, "前进")->isEnabled());
        const char* ruffleMenu = "(() => { const p = document.querySelector('ruffle-player');"
                                 " const o = p && p.shadowRoot && p.shadowRoot.getElementById('context-menu-overlay');"
                                 " return !!o && !o.classList.contains('hidden'); })()";
        QCOMPARE(evaluate(ruffleMenu).toBool(), false);
        // Escape closes it with nothing done; the movie plays on.
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
        QVERIFY(moves());

        // From the keyboard, in the area that shows the movie: the first entry is ready for Return.
        menu = menuByKey(player_, Qt::Key_Menu);
        QVERIFY2(menu, "no menu on the menu key");
        QCOMPARE(menu->activeAction() ? menu->activeAction()->text() : QString(), QStringLiteral("移开方块"));
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY2(waitFor([&] { return share(shot(), movie.square) == 0; }), "the movie's own entry did not run");
        menu = menuByKey(player_, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY2(menu, "no menu on Shift+F10");
        choose(menu, "移回方块");
        QVERIFY(shows(movie.square, 0.01));

        // 播放 stops the movie's timeline and starts it again; the program's own state stays.
        choose(menuByMouse(QPoint(60, 50)), "播放");
        QVERIFY2(holds(), "the movie moves on after 播放 was unchecked");
        menu = menuByMouse(QPoint(60, 50));
        QVERIFY(menu && !entry(menu, "播放")->isChecked());
        choose(menu, "播放");
        QVERIFY(moves());
        QCOMPARE(player_->get(dispid::flash::Playing).toBool(), true);
        QCOMPARE(buttonStates(), before);

        // 品质 > 低, from the keyboard: the next menu shows it chosen.
        menu = menuByMouse(QPoint(60, 50));
        menu->setActiveAction(entry(menu, "品质"));
        QTest::keyClick(menu, Qt::Key_Right);
        QVERIFY(waitFor([&] { return entry(menu, "品质")->menu()->isVisible(); }, 5000));
        QMenu* sub = entry(menu, "品质")->menu();
        QCOMPARE(sub->activeAction() ? sub->activeAction()->text() : QString(), QStringLiteral("低"));
        QTest::keyClick(sub, Qt::Key_Return);
        QVERIFY(waitFor([&] { return !player_->menu(); }, 5000));
        menu = menuByMouse(QPoint(60, 50));
        QVERIFY(menu && entry(menu, "低")->isChecked() && !entry(menu, "高")->isChecked());

        // 放大 doubles the movie round the pointer; 全部显示 shows it whole again.
        choose(menu, "播放");  // a still frame to compare
        const QPoint centre = player_->rect().center();
        QVERIFY(holds());
        const QImage whole = shot();
        choose(menuByMouse(centre), "放大");
        QCOMPARE(evaluate("corvaneFlash.status().zoom").toInt(), 2);
        QCOMPARE(evaluate("Math.round(document.querySelector('ruffle-player').getBoundingClientRect().width"
                          " / document.getElementById('stage').clientWidth)")
                         .toInt(),
                 2);
        QVERIFY2(waitFor([&] { return shot() != whole; }), "放大 changed nothing on the screen");
        menu = menuByMouse(centre);
        QVERIFY(menu && entry(menu, "缩小")->isEnabled() && entry(menu, "全部显示")->isEnabled());
        choose(menu, "全部显示");
        QCOMPARE(evaluate("corvaneFlash.status().zoom").toInt(), 1);
        QVERIFY(waitFor([&] {
            const QImage now = shot();
            return std::abs(share(now, movie.background) - share(whole, movie.background)) < 0.02
                    && std::abs(share(now, movie.square) - share(whole, movie.square)) < 0.01;
        }));
        choose(menuByMouse(centre), "播放");
        QVERIFY(moves());
        QCOMPARE(evaluate(ruffleMenu).toBool(), false);
    }

    // 全屏 moves the movie onto the whole screen, drawn there at the screen's size: the host's
    // frames are the screen's size and a still square's edges stay sharp, not a small picture
    // blown up. The movie keeps the keyboard and the pointer, at the point clicked; Escape (which
    // the movie never gets) and 全屏 again give the window back, with the area in its place and
    // in the tab order as before.
    void fullScreenFromTheMenu()
    {
        SwfMovie still;
        still.background = QColor(0x20, 0x20, 0x20), still.square = QColor(0xF0, 0xF0, 0xF0), still.frames = 1;
        show("still.swf", writeSwf(still));
        QVERIFY(shows(still.background) && shows(still.square, 0.01));
        const auto* engine = dynamic_cast<RemoteFlashEngine*>(player_->engine());
        QVERIFY(engine);
        const QRect home = player_->geometry();
        const auto nextByKey = [&] {  // where Ctrl+Tab goes from the area; the area has the keyboard again
            QTest::keyClick(player_, Qt::Key_Tab, Qt::ControlModifier);
            QWidget* next = window_->focusWidget();
            player_->setFocus();
            return next;
        };
        const QWidget* next = nextByKey();
        const QSize screen = player_->screen()->geometry().size();
        const QSize screenPixels = screen * player_->devicePixelRatioF();
        const auto inFullScreen = [&] {
            return player_->fullScreen() && player_->window()->isFullScreen() && player_->size() == screen
                    && engine->frameSize() == screenPixels;
        };
        const auto atHome = [&] {
            return !player_->fullScreen() && player_->window() == window_.get() && player_->geometry() == home
                    && engine->frameSize() == home.size() * player_->devicePixelRatioF();
        };

        choose(menuByMouse(QPoint(60, 50)), "全屏");
        QVERIFY2(waitFor(inFullScreen), "the movie does not fill the screen at its size");
        QTRY_VERIFY(player_->hasFocus());
        // Across the square's middle row, its right edge (inside the stage) is one pixel or two of
        // neither colour, where a picture drawn at the area's size and blown up has a band of several.
        QImage big;
        QVERIFY(waitFor([&] { return share(big = shot(), still.square) > 0.01; }));
        const auto near = [](QColor a, QColor b) { return std::abs(a.red() - b.red()) <= 12; };
        const auto squareEnd = [&](int y) {  // the square's last pixel in row y, or -1
            int last = -1;
            for (int x = 0; x < big.width(); ++x)
                last = near(big.pixel(x, y), still.square) ? x : last;
            return last;
        };
        QList<int> rows;
        for (int y = 0; y < big.height(); ++y)
            if (squareEnd(y) >= 0)
                rows.append(y);
        QVERIFY(!rows.isEmpty());
        const int row = rows.at(rows.size() / 2);
        const int edge = squareEnd(row);
        int blended = 0;
        for (int x = edge; x < std::min(int(big.width()), edge + 16); ++x)
            blended += !near(big.pixel(x, row), still.square) && !near(big.pixel(x, row), still.background);
        QVERIFY2(blended <= 2, qPrintable(QString::number(blended) + " blended pixels at the square's edge"));

        QVERIFY(evaluate("window.big = []; document.addEventListener('pointerdown', (e) => big.push(e.clientX + ','"
                         " + e.clientY), true); document.addEventListener('keydown', (e) => big.push(e.key), true);"
                         " true")
                        .toBool());
        const QPoint far(screen.width() - 40, screen.height() - 30);
        QTest::mouseClick(player_, Qt::LeftButton, {}, far);
        QTest::keyClick(player_->window()->windowHandle(), Qt::Key_A);
        const QString want = QStringLiteral("%1,%2 a").arg(far.x()).arg(far.y());
        QString got;
        QVERIFY2(waitFor([&] { return (got = evaluate("big.join(' ')").toString()) == want; }, 10000), qPrintable(got));

        QTest::keyClick(player_->window()->windowHandle(), Qt::Key_Escape);
        QVERIFY2(waitFor(atHome), "Escape did not give the window back");
        QCOMPARE(evaluate("big.join(' ')").toString(), want);  // the movie did not get Escape
        QTRY_VERIFY(player_->hasFocus());
        QCOMPARE(nextByKey(), next);

        choose(menuByMouse(QPoint(60, 50)), "全屏");
        QVERIFY(waitFor(inFullScreen));
        QMenu* menu = menuByMouse(QPoint(60, 50));
        QVERIFY(menu && entry(menu, "全屏")->isChecked());
        choose(menu, "全屏");
        QVERIFY2(waitFor(atHome), "全屏 again did not give the window back");
        QVERIFY(player_->isVisible() && shows(still.square, 0.01));
    }

    // The richer movies draw what they are made of: in AVM1 gradients, a bitmap, a
    // counter that changes every frame, and a button whose over and down states
    // show under the pointer; in AVM2 what the document class draws and adds.
    void richMoviesShowWhatTheyHold()
    {
        const RichMovie rich;
        show("avm1.swf", writeAvm1Movie(rich));
        QVERIFY2(shows(rich.marker) && shows(QColor(0xFF, 0xD0, 0x20), 0.001) && shows(Qt::yellow, 0.002),
                 "the AVM1 movie's box, gradient or bitmap never showed");
        QVERIFY2(moves(), "the AVM1 movie's frames do not change what it shows");
        // The button's middle, in the stage (200 x 150) as shown all in the display area.
        const double scale = std::min(player_->width() / 200.0, player_->height() / 150.0);
        const QPoint knob(int((player_->width() - 200 * scale) / 2 + 40 * scale),
                          int((player_->height() - 150 * scale) / 2 + 122 * scale));
        const QColor over(0xE0, 0x80, 0x00), down(0xC0, 0x00, 0x00);
        QVERIFY(share(shot(), over) < 0.001);
        // Through the display area, which hands the input to the engine's process. The
        // pointer moves on the knob as a hand's does: a move that came while the page
        // was still laid out for the size before is not the only one.
        int nudge = 0;
        QVERIFY2(waitFor([&] {
                     QTest::mouseMove(player_, knob + QPoint(++nudge % 2, 0));
                     return share(shot(), over) >= 0.01;
                 }),
                 "the button's over state does not show under the pointer");
        QTest::mousePress(player_, Qt::LeftButton, {}, knob);
        QVERIFY2(shows(down, 0.01), "the button's down state does not show when pressed");
        QTest::mouseRelease(player_, Qt::LeftButton, {}, knob);
        QCOMPARE(evaluate("1").toInt(), 1);

        show("avm2.swf", writeAvm2Movie(rich));
        QVERIFY2(shows(rich.marker) && shows(QColor(0xE0, 0x80, 0x00), 0.01) && shows(Qt::yellow, 0.002),
                 "the AVM2 document class's box, circle or bitmap never showed");
    }

    // A movie opened through the Flash button's dialog has the keyboard at once, with no
    // click: a game's keys reach it, Tab and Shift+Tab too, and the space bar and Return
    // press no button of the window. Ctrl+Tab and Ctrl+Shift+Tab leave the area. Text
    // that an input method commits reaches the movie's text field whole.
    void keysReachTheMovieWithoutAClick()
    {
        const QColor right(0x40, 0xC0, 0x40), space(0xC0, 0xC0, 0x40), letter(0xC0, 0x40, 0xC0), tab(0x40, 0xC0, 0xC0),
                typed(0xF0, 0x90, 0x30);
        SwfMovie game;
        game.background = QColor(0x60, 0x60, 0x60), game.frames = 1;
        game.firstFrameActions = keyColourActions(
                {{39, right.rgb()}, {32, space.rgb()}, {65, letter.rgb()}, {9, tab.rgb()}, {13, space.rgb()}});
        auto* command6 = qobject_cast<QAbstractButton*>(window_->widget("Command6"));
        command6->setFocus();
        DialogAnswer answer;
        answer.arm(writeFile(dir_.path(), "game.swf", writeSwf(game)));
        QTest::mouseClick(command6, Qt::LeftButton);  // comes back when the dialog is closed
        QVERIFY(answer.seen);
        window_->activateWindow();  // no window manager: the window gets the keyboard back when asked
        QTRY_VERIFY(player_->hasFocus());
        QVERIFY(shows(game.background) && waitFor([&] { return evaluate("corvaneFlash.status().shown").toBool(); }));
        int clicks = 0;
        for (QAbstractButton* b : window_->findChildren<QAbstractButton*>())
            connect(b, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods = {}) {
            QTest::keyClick(window_->windowHandle(), key, mods);
        };
        press(Qt::Key_Right);
        QVERIFY2(shows(right), "the game's first key did not reach it");
        press(Qt::Key_Space);
        QVERIFY(shows(space));
        press(Qt::Key_A);
        QVERIFY(shows(letter));
        press(Qt::Key_Return);
        QVERIFY(shows(space));
        press(Qt::Key_Tab);
        QVERIFY(shows(tab) && player_->hasFocus());
        press(Qt::Key_Right);
        QVERIFY(shows(right));
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(shows(tab) && player_->hasFocus());
        QCOMPARE(clicks, 0);

        press(Qt::Key_Tab, Qt::ControlModifier);
        QWidget* next = QApplication::focusWidget();
        QVERIFY(next && next != player_ && next->window() == window_.get());
        player_->setFocus();
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QWidget* previous = QApplication::focusWidget();
        QVERIFY(previous && previous != player_ && previous != next && previous->window() == window_.get());
        QVERIFY(shows(tab));  // neither went to the movie

        SwfMovie form;
        form.background = QColor(0x70, 0x50, 0x50), form.frames = 1;
        form.firstFrameActions = textColourActions({{QStringLiteral("中文输入"), typed.rgb()}});
        show("form.swf", writeSwf(form));
        QTRY_VERIFY(player_->hasFocus());
        QVERIFY(shows(form.background) && waitFor([&] { return evaluate("corvaneFlash.status().shown").toBool(); }));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("中文输入"));
        QCoreApplication::sendEvent(QGuiApplication::focusObject(), &commit);
        QVERIFY2(shows(typed), "the committed text did not reach the movie's text field whole");
    }
};

CORVANE_WIDGET_TEST_MAIN(FlashMenuTest)

#include "flash_menu_test.moc"
