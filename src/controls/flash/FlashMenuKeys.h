#pragma once
// The keys that open the Flash display area's menu from the keyboard: the
// menu key, and Shift+F10.
#include <QKeyEvent>

namespace corvane::flashmenu {

inline bool opensMenu(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_Menu && mods == Qt::NoModifier)
            || (key.key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

}  // namespace corvane::flashmenu
