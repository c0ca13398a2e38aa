#include "SecondaryWindow.h"

#include "SecondaryBuilder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace corvane::secondary {

namespace {
// Centred on the screen: there is no owner to centre on. Done again once
// the window is shown, when the size of its frame is known.
void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
}  // namespace

SecondaryWindow::SecondaryWindow(const WindowLayout& layout) : layout_(layout) {}

SecondaryWindow::~SecondaryWindow()
{
    if (window_ && QCoreApplication::instance())
        delete window_.data();
}

QWidget* SecondaryWindow::window() const
{
    // A closed window is hidden at once and deleted a moment later; from the
    // close on it counts as unloaded.
    return window_ && window_->isVisible() ? window_.data() : nullptr;
}

void SecondaryWindow::show()
{
    const bool loading = !window();
    if (loading) {
        window_ = buildWindow(layout_);
        centreOnScreen(window_);
    }
    window_->show();
    if (loading)
        centreOnScreen(window_);
    window_->raise();
    window_->activateWindow();
}

}  // namespace corvane::secondary
