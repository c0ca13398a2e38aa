#pragma once
// `Form3`, the formats window: the playable kinds and their extensions.
#include "SecondaryLayout.h"

namespace corvane::secondary {

const WindowLayout& form3Layout();

}  // namespace corvane::secondary
