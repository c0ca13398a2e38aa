#pragma once
// The Flash display area shown on the whole screen: a window of its own,
// full screen on the area's screen, that the area moves into; leaving puts
// the area back in its place in the main window, at its size, in its place
// among its siblings and in the window's tab order. The area resizes with
// it, so the host draws the movie at the screen's size.
//
// The window is a child of the area's own window: it goes with that window,
// and closing it (Alt+F4) only leaves full screen.
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace corvane {

class FlashFullScreen : public QWidget {
    Q_OBJECT
public:
    // Moves `area` into a new full-screen window, gives it the keyboard if
    // it had it, and returns the window.
    static FlashFullScreen* enter(QWidget* area);
    // Puts the area back where it was and deletes the window later.
    void leave();
    // The full-screen window that holds `area` now, if any.
    static FlashFullScreen* holding(const QWidget* area);

signals:
    // The area is back in its place.
    void left();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    FlashFullScreen(QWidget* area, QWidget* home);

    QPointer<QWidget> area_;
    QPointer<QWidget> home_;    // the area's parent before
    QPointer<QWidget> above_;   // the sibling just above it, if any
    QPointer<QWidget> before_;  // the widget before it in the tab order
    QRect geometry_;            // its place in its parent
    bool leaving_ = false;
};

}  // namespace corvane
