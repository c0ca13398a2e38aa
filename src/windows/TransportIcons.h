#pragma once
#include "Form1Layout.h"

#include <QIcon>

namespace corvane {
// 16 x 16, solid black symbols inside a transparent one-pixel margin.
QIcon transportIcon(form1::Face face);
}  // namespace corvane
