#include "SecondaryWindow.h"

#include "SecondaryBuilder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace corvane::secondary {

SecondaryWindow::SecondaryWindow(const WindowLayout& layout) : layout_(layout) {}

SecondaryWindow::~SecondaryWindow()
{
    if (window_ && QCoreApplication::instance()) delete window_.data();
}

QWidget* SecondaryWindow::window() const
{
    // A closed window is hidden at once and deleted a moment later; from the
    // close on it counts as unloaded.
    return window_ && window_->isVisible() ? window_.data() : nullptr;
}

void SecondaryWindow::show()
{
    if (!window()) {
        window_ = buildWindow(layout_);
        // Centred on the screen: there is no owner to centre on.
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect r(QPoint(), window_->size());
            r.moveCenter(screen->availableGeometry().center());
            window_->move(r.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace corvane::secondary
