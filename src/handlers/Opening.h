#pragma once
#include "Form1Controls.h"
#include "MediaKinds.h"

namespace corvane {

// Click of Command1..Command5 and of the menu items video, audio, media,
// movie and midi: choose a file of the kind, open it and play it.
void openAndPlay(Form1Controls& c, const MediaKind& kind);

// Click of Command6 and of the menu item flash.
void openFlash(Form1Controls& c);

}  // namespace corvane
