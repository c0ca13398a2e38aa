#pragma once
// `Form2`, the help window: the usage text in a locked text box.
#include "SecondaryLayout.h"

namespace corvane::secondary {

const WindowLayout& form2Layout();

// The help text: 33 lines, each ended by CR LF.
QString helpText();

}  // namespace corvane::secondary
