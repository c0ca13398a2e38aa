#pragma once
// The keys that take the keyboard out of the Flash display area: Ctrl+Tab to
// the next control, Ctrl+Shift+Tab to the one before. Tab and Shift+Tab are
// the movie's, as games and forms use them; a Ctrl on top leaves, as with the
// program's other controls that keep Tab.
#include <QKeyEvent>

namespace corvane::flashfocus {

inline bool leavesArea(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) && mods == Qt::ControlModifier;
}

// Towards the next control (Ctrl+Tab), not the one before.
inline bool forward(const QKeyEvent& key) { return key.key() == Qt::Key_Tab && !(key.modifiers() & Qt::ShiftModifier); }

}  // namespace corvane::flashfocus
