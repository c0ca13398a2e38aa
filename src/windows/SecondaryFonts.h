#pragma once
// Fonts named by the stored layouts and the installed faces that stand in
// for them on this system.
#include "SecondaryLayout.h"

#include <QFont>

namespace corvane::secondary {

// The installed family used for a family the layout names, e.g.
// "宋体" -> "AR PL SungtiL GB"; unknown names are returned unchanged.
QString substituteFamily(const QString& family);

// The font for a layout entry: the substitute family at the pixel size the
// point size has at 96 dots per inch, so that text keeps its proportion to
// the layout's pixel sizes on any screen.
QFont resolveFont(const FontSpec& wanted);

// A Simplified-Chinese system's default interface font, "宋体" 9 pt.
FontSpec defaultUiFont();

}  // namespace corvane::secondary
