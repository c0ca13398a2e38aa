#pragma once
#include <QIcon>

namespace corvane {
// The application icon: 16, 32 and 48 pixels, 256 colours.
QIcon appIcon();
// `Form2`: 16, 24, 32 and 48 pixels.
QIcon helpIcon();
// `Form3`: 32 pixels, 256 colours.
QIcon formatsIcon();
// `Form4`: 16, 24, 32 and 48 pixels.
QIcon aboutIcon();
}  // namespace corvane
