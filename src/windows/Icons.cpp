#include "Icons.h"

namespace corvane {
QIcon appIcon() { return {}; }
} // namespace corvane
