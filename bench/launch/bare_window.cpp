// The floor of the program's start: a bare Qt Widgets window of the main
// window's size, with the same menu bar and a line of Chinese text in the same
// Song face, set as start-up sets it. Nothing else: no controls, no engine,
// no translations, no icon. It links Qt Widgets alone.
#include "Form1Layout.h"
#include "SongFace.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

namespace {

using namespace corvane::form1;

// The main window's menu tree, captions and shortcuts, with nothing behind it.
void addMenu(QMainWindow& window)
{
    QMenu* menus[3] = {};
    for (std::size_t i = 0; i < kMenu.size(); ++i) {
        const MenuSpec& m = kMenu[i];
        const QString caption = QString::fromUtf8(m.caption);
        const bool hasChildren = i + 1 < kMenu.size() && kMenu[i + 1].level > m.level;
        QMenu* parent = m.level == 0 ? nullptr : menus[m.level - 1];
        if (caption == QLatin1String("-")) {
            parent->addSeparator();
        } else if (hasChildren) {
            menus[m.level] = m.level == 0 ? window.menuBar()->addMenu(caption) : parent->addMenu(caption);
        } else {
            QAction* action = parent->addAction(caption);
            if (*m.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(m.shortcut)));
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    corvane::installSongFace();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare window"));
    auto* client = new QWidget(&window);
    client->setFixedSize(px(kClientWidth), px(kClientHeight));
    auto* text = new QLabel(QStringLiteral("视频 音频 数字 电影 媒体 动画\n静音播放 重复播放"), client);
    text->move(16, 8);
    window.setCentralWidget(client);
    addMenu(window);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    window.adjustSize();
    QRect frame = window.frameGeometry();
    frame.moveCenter(window.screen()->availableGeometry().center());
    window.move(frame.topLeft());
    window.show();
    return QApplication::exec();
}
