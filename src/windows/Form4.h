#pragma once
// `Form4`, the about window: product, edition, version and the author lines.
#include "SecondaryLayout.h"

namespace corvane::secondary {

const WindowLayout& form4Layout();

}  // namespace corvane::secondary
