#include "FlashFullScreen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace corvane {

namespace {
// The widget before `w` in the tab order that takes the keyboard by Tab.
QWidget* tabbedBefore(QWidget* w)
{
    for (QWidget* b = w->previousInFocusChain(); b && b != w; b = b->previousInFocusChain())
        if ((b->focusPolicy() & Qt::TabFocus) && b->window() == w->window())
            return b;
    return nullptr;
}

// The sibling drawn just above `w`, if any.
QWidget* siblingAbove(const QWidget* w)
{
    const QObjectList siblings = w->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i)
        if (auto* sibling = qobject_cast<QWidget*>(siblings.at(i)); sibling && !sibling->isWindow())
            return sibling;
    return nullptr;
}
}  // namespace

FlashFullScreen::FlashFullScreen(QWidget* area, QWidget* home)
    : QWidget(area->window(), Qt::Window), area_(area), home_(home), above_(siblingAbove(area)),
      before_(tabbedBefore(area)), geometry_(area->geometry())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(area->window()->windowTitle());
    setPalette(area->palette());
    setAutoFillBackground(true);
}

FlashFullScreen* FlashFullScreen::enter(QWidget* area)
{
    if (!area || !area->parentWidget() || holding(area))
        return holding(area);
    const bool focused = area->hasFocus();
    QScreen* screen = area->screen() ? area->screen() : QGuiApplication::primaryScreen();
    auto* window = new FlashFullScreen(area, area->parentWidget());
    // Placed on the area's screen before it shows: with no window manager to
    // size it, it covers that screen all the same.
    window->setScreen(screen);
    window->setGeometry(screen->geometry());
    area->setParent(window);
    area->setGeometry(window->rect());
    area->show();
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    if (focused)
        area->setFocus(Qt::OtherFocusReason);
    return window;
}

FlashFullScreen* FlashFullScreen::holding(const QWidget* area)
{
    return area ? qobject_cast<FlashFullScreen*>(area->parentWidget()) : nullptr;
}

void FlashFullScreen::leave()
{
    if (leaving_)
        return;
    leaving_ = true;
    const bool focused = area_ && area_->hasFocus();
    hide();
    if (area_ && home_) {
        area_->setParent(home_);
        area_->setGeometry(geometry_);
        if (above_ && above_->parentWidget() == home_)
            area_->stackUnder(above_);
        if (before_ && before_->window() == home_->window())
            QWidget::setTabOrder(before_, area_);
        area_->show();
        if (focused) {
            home_->window()->activateWindow();
            area_->setFocus(Qt::OtherFocusReason);
        }
    }
    emit left();
    deleteLater();
}

void FlashFullScreen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (area_ && area_->parentWidget() == this)
        area_->setGeometry(rect());
}

void FlashFullScreen::closeEvent(QCloseEvent* event)
{
    event->ignore();
    leave();
}

}  // namespace corvane
