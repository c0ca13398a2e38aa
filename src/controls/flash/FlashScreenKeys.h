#pragma once
// The key that gives the window back from the Flash display area's full
// screen: Escape, alone. The movie does not get it while it fills the screen.
#include <QKeyEvent>

namespace corvane::flashscreen {

inline bool leavesFullScreen(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Escape && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace corvane::flashscreen
