#pragma once
#include "SecondaryLayout.h"

class QWidget;

namespace corvane::secondary {

// Loads a window from its stored layout: a top-level window without owner,
// fixed in size, with only a close box, deleted when it is closed. Controls
// get their layout names as object names (array members also carry an
// "index" property). Nothing is shown.
QWidget* buildWindow(const WindowLayout& layout);

}  // namespace corvane::secondary
