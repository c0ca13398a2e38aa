#pragma once
// The Flash display area's menu, as Flash movies have always had it: their own
// entries, then zoom, quality, play and loop, rewind, forward and back, in
// Simplified Chinese. The engine reports the entries; this makes the menu.
#include "FlashEngine.h"

#include <QList>
#include <QString>

class QMenu;
class QWidget;

namespace corvane::flashmenu {

// The entry that the area adds itself: the movie on the whole screen; it
// goes after the zoom's last entry.
inline constexpr char FullScreen[] = "full-screen";
inline constexpr char ShowAll[] = "show-all";

// What a built-in entry reads; empty for a name not known here.
QString caption(const QString& key);
// The menu for these entries. Each action's data() is its entry's place in
// `entries`; entries with nothing to show are left out.
QMenu* build(const QList<FlashMenuEntry>& entries, QWidget* parent);

}  // namespace corvane::flashmenu
