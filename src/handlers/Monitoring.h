#pragma once
#include "Dispatch.h"
#include "Form1Controls.h"

namespace corvane::monitoring {

// Status update of MMControl1: the slider follows the position.
void statusUpdate(Form1Controls& c);
// Completion of MMControl1: at the end, rewind and play again or stop.
void done(Form1Controls& c, const Args& ignored);

}  // namespace corvane::monitoring
