#pragma once
#include <QIcon>

namespace corvane {
QIcon appIcon();
} // namespace corvane
