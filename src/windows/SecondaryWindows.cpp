#include "SecondaryWindows.h"

namespace corvane {
void SecondaryWindows::showHelp() {}
void SecondaryWindows::showFormats() {}
void SecondaryWindows::showAbout() {}
} // namespace corvane
