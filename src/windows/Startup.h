#pragma once

namespace corvane {
// Creates the application and the main window, runs until the program ends.
int runCorvane(int argc, char** argv);
// Qt's own dialogs and the "宋体" family as the interface expects them.
void installLanguageAndFonts();
}  // namespace corvane
